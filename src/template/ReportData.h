#pragma once

#include "data/Method.h"
#include "report/BaseInfoRecord.h"
#include "report/MethodRecords.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace Template {

// Everything a template can print: the basic information, the report's facts and, per ticked
// record in report order, what the built-in report takes (value, pictures) and every cell by column.
struct ReportData {
    BaseInfoRecord baseInfo;
    Method method = Method::Us;
    QString dataSetName;            // the data set folder's name N
    MethodRecords records;          // value text and the three picture paths
    QStringList columnNames;        // the method's record table, in table order
    std::vector<QStringList> cells; // per ticked record: its cells in column order
    bool checkColumns = true;       // false: {{列:...}} may name any column (no data set yet)

    int Count() const { return records.Count(); }
};

} // namespace Template
