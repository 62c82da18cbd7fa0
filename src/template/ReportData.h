#pragma once

#include "report/MethodRecords.h"
#include "report/ReportRequest.h"

namespace Template {

// Everything a template can print: the report request (basic information, the report's facts and
// every cell of each ticked record by column, in report order) and, per record, the value and
// pictures the built-in report takes, made from the request once by the report's writer.
struct ReportData : Report::ReportRequest {
    MethodRecords records;    // value text and the three picture paths
    bool checkColumns = true; // false: {{列:...}} may name any column (no data set yet)

    int Count() const { return records.Count(); }
};

} // namespace Template
