#pragma once

#include "report/IReportSink.h"

#include <QString>

class QTextStream;

// zolt-report's sink: progress as a bar on a terminal, picture problems as warnings naming the file.
class CConsoleSink : public IReportSink {
public:
    CConsoleSink(QTextStream& err, bool showProgress) : m_err(err), m_bShowProgress(showProgress) {}

    void PostProgress(int percent) override;
    void ShowMessage(const QString& text, const QString& subject) override;
    void PostDone(bool, const QString&) override { EndBar(); }
    bool IsAbandoned() const override { return false; }

private:
    void EndBar();

    QTextStream& m_err;
    bool m_bShowProgress;
    bool m_bBarShown = false;
};
