#include "CConsoleSink.h"

#include <QDir>
#include <QTextStream>

void CConsoleSink::PostProgress(int percent) {
    if (!m_bShowProgress) {
        return;
    }
    const int filled = percent / 5;
    m_err << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(20 - filled, QLatin1Char(' '))
          << "] " << percent << '%';
    m_err.flush();
    m_bBarShown = true;
}

void CConsoleSink::ShowMessage(const QString& text, const QString& subject) {
    EndBar();
    m_err << "zolt-report: warning: ";
    if (!subject.isEmpty()) {
        m_err << QDir::toNativeSeparators(subject) << ": ";
    }
    m_err << text << '\n';
    m_err.flush();
}

void CConsoleSink::EndBar() {
    if (m_bBarShown) {
        m_err << '\n';
        m_bBarShown = false;
    }
}
