#include "CReportCommand.h"

#include "CConsoleSink.h"

#include "compose/ReportWriter.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "data/RecordMatcher.h"
#include "data/RecordSorter.h"
#include "data/ResultTable.h"
#include "data/Utf8ToWide.h"
#include "platform/Console.h"
#include "report/ReportRequest.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

struct OptionTarget {
    const char* name;
    QString BaseInfoRecord::*field;
};

const OptionTarget kTextOptions[] = {
    {"--inspector", &BaseInfoRecord::m_strInspector},     {"--place", &BaseInfoRecord::m_strPlace},
    {"--instrument", &BaseInfoRecord::m_strInstrument},   {"--model", &BaseInfoRecord::m_strModel},
    {"--equip-name", &BaseInfoRecord::m_strEquipName},    {"--equip-type", &BaseInfoRecord::m_strEquipType},
    {"--temperature", &BaseInfoRecord::m_strTemperature}, {"--humidity", &BaseInfoRecord::m_strHumidity},
};

} // namespace

QString CReportCommand::UsageText() {
    return QStringLiteral(
        "Usage: zolt-report --data FOLDER --method us|tev|hfct --out FILE [options]\n"
        "\n"
        "Writes the partial-discharge report of a test data set without opening a window.\n"
        "The format follows FILE's extension: .doc for Word 97-2003, anything else .docx.\n"
        "\n"
        "Options:\n"
        "  --data FOLDER         the test data set folder (holds FOLDERNAME.db3)\n"
        "  --method us|tev|hfct  the detection method\n"
        "  --out FILE            the report to write (an existing file is replaced)\n"
        "  --filter TEXT         only the records with a cell that contains TEXT (any case)\n"
        "  --sort COLUMN[,desc]  records ordered by the column of that name, as the window sorts:\n"
        "                        numbers by value (units after them allowed), text in Chinese\n"
        "                        order, empty cells last; ',desc' reverses\n"
        "  --rows all|LIST       records to include, 1-based in list order after --filter and\n"
        "                        --sort, e.g. 1-3,7 (default all)\n"
        "  --template FILE.docx  fill this report template instead of writing the built-in report;\n"
        "                        the output is then .docx (tags: see the README)\n"
        "  --number TEXT         print TEXT for the template's report number tag instead of\n"
        "                        taking the next number from the counter in ZOLT.DB3\n"
        "  --inspector T         检测人员\n"
        "  --place T             检测地点\n"
        "  --instrument T        检测仪器\n"
        "  --model T             仪器型号\n"
        "  --equip-name T        设备名称\n"
        "  --equip-type T        设备类型\n"
        "  --temperature T       当天温度\n"
        "  --humidity T          当天湿度\n"
        "  --date YYYY-MM-DD     检测日期\n"
        "  --help                show this text\n"
        "  --version             show the version\n"
        "\n"
        "Exit status: 0 report written (missing pictures are warnings), 1 no report written,\n"
        "2 usage error.\n");
}

std::optional<std::vector<int>> CReportCommand::ParseRowList(const QString& text) {
    std::vector<int> rows;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString& rawPart : parts) {
        const QString part = rawPart.trimmed();
        bool ok = false;
        const int dash = part.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            const int row = part.toInt(&ok);
            if (!ok || row < 1) {
                return std::nullopt;
            }
            rows.push_back(row);
            continue;
        }
        bool okLast = false;
        const int first = part.left(dash).toInt(&ok);
        const int last = part.mid(dash + 1).toInt(&okLast);
        if (!ok || !okLast || first < 1 || last < first || last - first > 10'000'000) {
            return std::nullopt;
        }
        for (int row = first; row <= last; ++row) {
            rows.push_back(row);
        }
    }
    return rows;
}

bool CReportCommand::ParseArguments(const QStringList& arguments, QTextStream& err) {
    const auto fail = [&](const QString& reason) {
        err << "zolt-report: " << reason << "\n\n" << UsageText();
        return false;
    };
    bool haveData = false, haveMethod = false, haveOut = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (i + 1 >= arguments.size()) {
            return fail(QStringLiteral("option %1 needs a value").arg(option));
        }
        const QString value = arguments[++i];
        if (option == QLatin1String("--data")) {
            m_strData = value;
            haveData = true;
        } else if (option == QLatin1String("--method")) {
            const std::optional<Method> method = MethodInfo::FromCommandLineName(value);
            if (!method) {
                return fail(QStringLiteral("unknown method '%1' (use us, tev or hfct)").arg(value));
            }
            m_method = *method;
            haveMethod = true;
        } else if (option == QLatin1String("--out")) {
            m_strOut = value;
            haveOut = !value.isEmpty();
        } else if (option == QLatin1String("--template")) {
            m_strTemplate = value;
        } else if (option == QLatin1String("--number")) {
            m_strNumber = value;
        } else if (option == QLatin1String("--rows")) {
            if (value != QLatin1String("all") && !ParseRowList(value)) {
                return fail(QStringLiteral("bad row list '%1'").arg(value));
            }
            m_strRows = value;
        } else if (option == QLatin1String("--filter")) {
            m_strFilter = value;
        } else if (option == QLatin1String("--sort")) {
            const int comma = value.lastIndexOf(QLatin1Char(','));
            const QString direction = comma < 0 ? QString() : value.mid(comma + 1).trimmed().toLower();
            const bool hasDirection = direction == QLatin1String("desc") || direction == QLatin1String("asc");
            m_strSortColumn = hasDirection ? value.left(comma) : value;
            m_bSortDescending = direction == QLatin1String("desc");
            if (m_strSortColumn.isEmpty()) {
                return fail(QStringLiteral("--sort needs a column name"));
            }
        } else if (option == QLatin1String("--date")) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid()) {
                return fail(QStringLiteral("bad date '%1' (use YYYY-MM-DD)").arg(value));
            }
            m_baseInfo.m_strDate = QString::asprintf("%d年%d月%d日", date.year(), date.month(), date.day());
        } else {
            bool known = false;
            for (const OptionTarget& target : kTextOptions) {
                if (option == QLatin1String(target.name)) {
                    m_baseInfo.*(target.field) = value;
                    known = true;
                }
            }
            if (!known) {
                return fail(QStringLiteral("unknown option '%1'").arg(option));
            }
        }
    }
    if (!haveData || !haveMethod || !haveOut) {
        return fail(QStringLiteral("--data, --method and --out are required"));
    }
    if (!m_strTemplate.isEmpty() && m_strOut.endsWith(QLatin1String(".doc"), Qt::CaseInsensitive)) {
        return fail(QStringLiteral("a report from a template is a .docx document; --out names a .doc file"));
    }
    return true;
}

int CReportCommand::Execute(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << UsageText();
        return kWritten;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        out << "zolt-report " << ZOLT_VERSION << '\n';
        return kWritten;
    }
    if (!ParseArguments(arguments, err)) {
        return kUsage;
    }
    m_bProgress = Platform::Console::StandardErrorIsTerminal();
    return Write(err);
}

int CReportCommand::Write(QTextStream& err) {
    const auto fail = [&](const QString& reason) {
        err << "zolt-report: " << reason << '\n';
        return kNotWritten;
    };
    QString folder = m_strData;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    const QString database = CDataSetLayout::DatabasePath(folder);
    if (!QFileInfo(database).isFile()) {
        return fail(QStringLiteral("no test data set in %1 (%2 not found)")
                        .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(database)));
    }
    Common::CNkSQLiteOper db;
    if (!db.OpenReadOnly(database)) {
        return fail(QStringLiteral("cannot open %1").arg(QDir::toNativeSeparators(database)));
    }
    const QString table = QString::fromLatin1(CDataSetLayout::RecordTable(m_method));
    Data::ResultTable resultOwner;
    const bool queried = db.ReadTable(table.toLatin1().constData(), &resultOwner);
    if (!queried) {
        return fail(QStringLiteral("cannot read table %1 of %2 (missing, or not an SQLite database)")
                        .arg(table, QDir::toNativeSeparators(database)));
    }

    std::vector<int> selected;
    if (const std::optional<ExitCode> failed = SelectRecords(resultOwner.View(), &selected, err)) {
        return *failed;
    }

    Report::ReportRequest request = Gather(resultOwner, selected, folder);
    resultOwner = Data::ResultTable();
    db.Close();

    auto sink = std::make_shared<CConsoleSink>(err, m_bProgress);
    QString reason;
    if (!Compose::ReportWriter::Write(std::move(request), sink, &reason)) {
        reason.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(m_strOut), reason));
    }
    return kWritten;
}

std::optional<CReportCommand::ExitCode> CReportCommand::SelectRecords(const Data::ResultTableView& table,
                                                                      std::vector<int>* selected,
                                                                      QTextStream& err) const {
    std::vector<int> order;
    if (m_strSortColumn.isEmpty()) {
        for (int row = 0; row < table.rows; ++row) {
            order.push_back(row);
        }
    } else {
        int column = 0;
        while (column < table.columns && Utf8ToWide(table.Caption(column)) != m_strSortColumn) {
            ++column;
        }
        if (column == table.columns) {
            err << "zolt-report: unknown sort column '" << m_strSortColumn << "'\n\n" << UsageText();
            return kUsage;
        }
        order = Data::RecordSorter::Order(table, column,
                                          m_bSortDescending ? Data::RecordSorter::Direction::Descending
                                                            : Data::RecordSorter::Direction::Ascending);
    }
    const Data::RecordMatcher matcher(m_strFilter);
    std::vector<int> listed;
    for (int row : order) {
        if (matcher.MatchesRecord(table, row)) {
            listed.push_back(row);
        }
    }
    if (m_strRows == QLatin1String("all")) {
        *selected = listed;
        return std::nullopt;
    }
    selected->clear();
    const std::vector<int> numbers = ParseRowList(m_strRows).value_or(std::vector<int>());
    for (int number : numbers) {
        if (number > static_cast<int>(listed.size())) {
            err << "zolt-report: record " << number << " does not exist (the list has " << listed.size()
                << ")\n";
            return kNotWritten;
        }
        selected->push_back(listed[static_cast<size_t>(number - 1)]);
    }
    return std::nullopt;
}

// The request for the selected records (counted from 0), in the order given.
Report::ReportRequest CReportCommand::Gather(const Data::ResultTable& result,
                                             const std::vector<int>& selected, const QString& folder) const {
    Report::ReportRequest request;
    request.method = m_method;
    request.baseInfo = m_baseInfo;
    request.dataSetName = CDataSetLayout::FolderName(folder);
    request.pictureFolder = CDataSetLayout::PictureFolder(folder, m_method);
    request.templatePath = m_strTemplate;
    request.reportNumber = m_strNumber;
    request.target = m_strOut;
    const Data::ResultTableView view = result.View();
    for (int column = 0; column < view.columns; ++column) {
        request.columnNames.append(Utf8ToWide(view.Caption(column)));
    }
    for (int row : selected) {
        QStringList cells;
        for (int column = 0; column < view.columns; ++column) {
            cells.append(Utf8ToWide(result.Cell(row, column)));
        }
        request.cells.push_back(std::move(cells));
    }
    return request;
}
