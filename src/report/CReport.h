#pragma once

#include "report/IReportSink.h"

#include <QString>

#include <memory>

// One report job as the layouts see it: where progress and messages go, and why the document
// could not be saved when that happens.
class CReport {
public:
    explicit CReport(std::shared_ptr<IReportSink> notify);
    virtual ~CReport() = default;

    void PostProgress(int percent);
    void ShowMessage(const QString& text, const QString& subject = QString());
    bool IsAbandoned() const;

    void SetFailure(const QString& reason) { m_strFailure = reason; }
    const QString& GetFailure() const { return m_strFailure; }

    // The percentage posted after data row `index` (0-based) of `count`: the quotient first, in
    // double precision, times 100, truncated toward zero.
    static int ProgressPercent(int index, int count);

    std::shared_ptr<IReportSink> m_pNotifyWnd;

private:
    QString m_strFailure;
};
