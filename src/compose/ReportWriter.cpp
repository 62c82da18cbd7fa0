#include "compose/ReportWriter.h"

#include "report/CReport.h"
#include "report/ReportLayout.h"
#include "template/ReportData.h"
#include "template/TemplateReport.h"

#include <exception>
#include <utility>

namespace Compose {

namespace {

// The records' values and pictures are made from the request once and shared by both reports.
bool WriteEither(Report::ReportRequest&& request, CReport& report) {
    MethodRecords records = request.BuiltInRecords();
    if (request.templatePath.isEmpty()) {
        return Report::ReportLayout(request.method).Build(request.baseInfo, report, request.target, records);
    }
    const QString templatePath = request.templatePath;
    const QString target = request.target;
    Template::ReportData data;
    static_cast<Report::ReportRequest&>(data) = std::move(request);
    data.records = std::move(records);
    return Template::TemplateReport::Write(templatePath, target, data, report);
}

} // namespace

bool ReportWriter::Write(Report::ReportRequest request, const std::shared_ptr<IReportSink>& sink,
                         QString* error) {
    CReport report(sink);
    bool saved = false;
    try {
        saved = WriteEither(std::move(request), report);
    } catch (const std::exception& e) {
        saved = false;
        report.SetFailure(QString::fromUtf8(e.what()));
    }
    const QString failure = report.GetFailure();
    sink->PostDone(saved, failure);
    if (error) {
        *error = failure;
    }
    return saved;
}

} // namespace Compose
