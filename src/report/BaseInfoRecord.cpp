#include "report/BaseInfoRecord.h"

#include "report/ReportLayout.h"

bool BaseInfoRecord::BuildUsReport(CReport& report, const QString& path, const MethodRecords& records) const {
    return Report::ReportLayout(Method::Us).Build(*this, report, path, records);
}

bool BaseInfoRecord::BuildTevReport(CReport& report, const QString& path,
                                    const MethodRecords& records) const {
    return Report::ReportLayout(Method::Tev).Build(*this, report, path, records);
}

bool BaseInfoRecord::BuildHfctReport(CReport& report, const QString& path,
                                     const MethodRecords& records) const {
    return Report::ReportLayout(Method::Hfct).Build(*this, report, path, records);
}
