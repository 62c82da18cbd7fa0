#pragma once

#include "data/Method.h"
#include "report/BaseInfoRecord.h"
#include "report/MethodRecords.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace Report {

// Everything one report needs, whoever asks for it (the window, zolt-report): the method, the basic
// information, the ticked records with every cell in report order, where their pictures are, the
// template (none: the built-in layout) and the file to write. Compose::ReportWriter writes it.
struct ReportRequest {
    Method method = Method::Us;
    BaseInfoRecord baseInfo;
    QString dataSetName;            // the data set folder's name N
    QString pictureFolder;          // the method's picture folder, N-US, N-TEV or N-HFCT
    QStringList columnNames;        // the method's record table, in table order
    std::vector<QStringList> cells; // per ticked record: its cells in column order
    QString templatePath;           // a report template (.docx); empty for the built-in layout
    QString target;                 // the report's file; its name's suffix picks .doc or .docx
    QString reportNumber;           // printed for {{报告编号:...}}; empty: the next one is taken

    int RecordCount() const { return static_cast<int>(cells.size()); }

    // The value and the three picture paths of each record, as the layouts print them.
    MethodRecords BuiltInRecords() const;
};

} // namespace Report
