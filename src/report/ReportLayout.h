#pragma once

#include "data/Method.h"
#include "report/MethodRecords.h"

#include <QString>

class CReport;
class CWordOper;
struct BaseInfoRecord;

namespace Report {

// The report's layout: a cover, the basic information as a 4 x 4 table, the ticked records with
// their value and three pictures, and the heading of the conclusion. The three methods' reports
// are one family; what differs (title, picture headers and sizes) comes from the method's table.
class ReportLayout {
public:
    explicit ReportLayout(Method method) : m_method(MethodInfo::Of(method)) {}

    // Writes one complete report to `path` and returns whether it was saved; `report` receives
    // the progress and the messages meant for the user.
    bool Build(const BaseInfoRecord& info, CReport& report, const QString& path,
               const MethodRecords& records) const;

private:
    void WriteCover(CWordOper& word, const BaseInfoRecord& info) const;
    void WriteBaseInfoTable(CWordOper& word, const BaseInfoRecord& info) const;
    void WriteDataHeader(CWordOper& word) const;
    // False when the job was given up part way.
    bool WriteDataRows(CWordOper& word, CReport& report, const MethodRecords& records,
                       QString& subject) const;
    bool Save(CWordOper& word, CReport& report, const QString& path) const;

    const MethodInfo& m_method;
};

} // namespace Report
