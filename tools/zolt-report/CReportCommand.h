#pragma once

#include "report/BaseInfoRecord.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CReport;
class QTextStream;

namespace Template {
struct ReportData;
}

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
    Template::ReportData Gather(char** result, int columns, const std::vector<int>& selected,
                                const QString& folder) const;
    // The built-in report, or the template's when one is given.
    bool Compose(CReport& report, const Template::ReportData& data) const;

    QString m_strData;
    int m_nMethod = -1;
    QString m_strOut;
    QString m_strRows = QStringLiteral("all");
    QString m_strTemplate; // a report template (.docx); empty for the built-in report
    BaseInfoRecord m_baseInfo;
    bool m_bProgress = false;
};
