#include "report/CReport.h"

CReport::CReport(std::shared_ptr<IReportSink> notify) : m_pNotifyWnd(std::move(notify)) {}

void CReport::PostProgress(int percent) {
    if (m_pNotifyWnd) {
        m_pNotifyWnd->PostProgress(percent);
    }
}

void CReport::ShowMessage(const QString& text, const QString& subject) {
    if (m_pNotifyWnd) {
        m_pNotifyWnd->ShowMessage(text, subject);
    }
}

bool CReport::IsAbandoned() const {
    return m_pNotifyWnd && m_pNotifyWnd->IsAbandoned();
}

int CReport::ProgressPercent(int index, int count) {
    if (count <= 0) {
        return 0;
    }
    const double quotient = static_cast<double>(index) / static_cast<double>(count);
    return static_cast<int>(quotient * 100.0);
}
