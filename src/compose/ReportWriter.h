#pragma once

#include "report/IReportSink.h"
#include "report/ReportRequest.h"

#include <QString>

#include <memory>

namespace Compose {

// Writes one report request: the template's report when the request names a template, else the
// built-in layout of its method. The only place that makes this choice; the window and zolt-report
// build the request and hand it here.
class ReportWriter {
public:
    // Progress and messages go to `sink` as the report is written, and its end through
    // IReportSink::PostDone. Returns whether the report was saved; if not, `error` (when given)
    // holds the reason, one or more lines for the user.
    static bool Write(Report::ReportRequest request, const std::shared_ptr<IReportSink>& sink,
                      QString* error);
};

} // namespace Compose
