#pragma once

#include "data/Method.h"
#include "data/ResultTableView.h"
#include "report/BaseInfoRecord.h"
#include "report/ReportRequest.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace Data {
class ResultTable;
} // namespace Data
class QTextStream;

// zolt-report: writes the report of a test data set without a window, from command-line options.
class CReportCommand {
public:
    enum ExitCode { kWritten = 0, kNotWritten = 1, kUsage = 2 };

    // Runs the whole command; messages go to `err`, --help and --version to `out`.
    int Execute(const QStringList& arguments, QTextStream& out, QTextStream& err);

    static QString UsageText();

    // "1-3,7" -> {1, 2, 3, 7}: 1-based record numbers in list order; nullopt when malformed.
    static std::optional<std::vector<int>> ParseRowList(const QString& text);

private:
    bool ParseArguments(const QStringList& arguments, QTextStream& err);
    int Write(QTextStream& err);
    // The records to write, 0-based, after --filter, --sort and --rows; an exit code on failure.
    std::optional<ExitCode> SelectRecords(const Data::ResultTableView& table, std::vector<int>* selected,
                                          QTextStream& err) const;
    Report::ReportRequest Gather(const Data::ResultTable& result, const std::vector<int>& selected,
                                 const QString& folder) const;

    QString m_strData;
    Method m_method = Method::Us;
    QString m_strOut;
    QString m_strRows = QStringLiteral("all");
    QString m_strFilter;
    QString m_strSortColumn; // empty: table order
    bool m_bSortDescending = false;
    QString m_strTemplate; // a report template (.docx); empty for the built-in report
    QString m_strNumber;   // the report number to print; empty: the counter's next
    BaseInfoRecord m_baseInfo;
    bool m_bProgress = false;
};
