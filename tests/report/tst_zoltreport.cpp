#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "support/DemoDataSets.h"
#include "support/DocxBody.h"
#include "support/DocxPackage.h"

#include <sqlite3.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

Result Run(const QStringList& arguments) {
    QProcess process;
    process.start(qEnvironmentVariable("ZOLT_REPORT"), arguments);
    Result result;
    if (!process.waitForFinished(120000)) {
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList DataValues(const QString& path) {
    QStringList values;
    const DocxBody body(path);
    for (const DocxBody::Element& element : body.Elements()) {
        if (element.isTable && element.table.gridColumns == 14) {
            for (int row = 1; row < element.table.rows.size(); ++row) {
                values << element.table.rows[row][0].Text();
            }
        }
    }
    return values;
}

// The cell texts of every data row of the report.
QList<QStringList> DataRows(const QString& path) {
    QList<QStringList> rows;
    const DocxBody body(path);
    for (const DocxBody::Element& element : body.Elements()) {
        if (element.isTable && element.table.gridColumns == 14) {
            for (int row = 1; row < element.table.rows.size(); ++row) {
                QStringList cells;
                for (const auto& cell : element.table.rows[row]) {
                    cells << cell.Text();
                }
                rows << cells;
            }
        }
    }
    return rows;
}

// A record table's records as text, straight from SQLite.
QList<QStringList> Records(const QString& folder, int method) {
    QList<QStringList> records;
    Common::CNkSQLiteOper db;
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    if (db.OpenReadOnly(CDataSetLayout::DatabasePath(folder)) &&
        db.QueryTable(CDataSetLayout::RecordTable(method), &result, &rows, &columns)) {
        for (int row = 1; row <= rows; ++row) {
            QStringList cells;
            for (int column = 0; column < columns; ++column) {
                cells << QString::fromUtf8(result[row * columns + column]);
            }
            records << cells;
        }
    }
    sqlite3_free_table(result);
    return records;
}

} // namespace

class TestZoltReport : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_data;

private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("ZOLT_REPORT"));
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("命令 行"), 8);
        QVERIFY(!m_data.isEmpty());
    }

    void writesTheChosenRowsWithTheBasicInformation() {
        const QString out = m_dir.filePath(QStringLiteral("rows.docx"));
        const Result result = Run({"--data", m_data, "--method", "hfct", "--out", out, "--rows", "2-3,7",
                                   "--inspector", "张工", "--date", "2020-08-06", "--humidity", "55%"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err)); // no terminal: no progress bar
        QCOMPARE(DataValues(out), (QStringList{"1", "2", "3"}));
        const DocxBody body(out);
        QCOMPARE(body.Elements()[0].paragraph.Text(), QStringLiteral("HFCT局部放电检测报告"));
        QCOMPARE(body.Elements()[15].paragraph.Text(), QStringLiteral("检测人员：张工"));
        QCOMPARE(body.Elements()[16].paragraph.Text(), QStringLiteral("检测地点：")); // not given: empty
        QCOMPARE(body.Elements()[18].paragraph.Text(), QStringLiteral("检测日期：2020年8月6日"));
        QCOMPARE(body.Elements()[23].table.rows[2][3].Text(), QStringLiteral("55%"));

        const QString all = m_dir.filePath(QStringLiteral("all.docx"));
        QCOMPARE(Run({"--data", m_data + "/", "--method", "us", "--out", all}).exitCode, 0);
        QCOMPARE(DataValues(all).size(), 8);
    }

    // The data set's folder is named in Chinese with a space (initTestCase); so are the template's and
    // the report's.
    void templateAndReportInFoldersWithChineseNamesAndSpaces() {
        const QString templates = m_dir.filePath(QStringLiteral("单位 模板"));
        const QString reports = m_dir.filePath(QStringLiteral("检测 报告"));
        QVERIFY(QDir().mkpath(templates) && QDir().mkpath(reports));
        const QString form = templates + QStringLiteral("/城南 表单.docx");
        QVERIFY(QFile::copy(QStringLiteral(ZOLT_SOURCE_DIR "/res/templates/example-utility.docx"), form));
        const QString out = reports + QStringLiteral("/报告 一.docx");
        const Result result = Run({"--data", m_data, "--method", "tev", "--template", form, "--out", out});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY(DocxPackage(out).IsOpen());
    }

    void filterAndSortChooseTheRecords() {
        // TEV: 幅值 is column 6, its unit column 9; the report's value is the two joined.
        const QList<QStringList> records = Records(m_data, 1);
        QCOMPARE(records.size(), 8);
        const QString device = records[0][1];
        QList<QStringList> expected;
        for (const QStringList& record : records) {
            if (std::any_of(record.begin(), record.end(), [&](const QString& cell) {
                    return cell.contains(device, Qt::CaseInsensitive);
                })) {
                expected << record;
            }
        }
        std::stable_sort(expected.begin(), expected.end(), [](const QStringList& a, const QStringList& b) {
            return a[6].toDouble() > b[6].toDouble();
        });

        const QString out = m_dir.filePath(QStringLiteral("chosen.docx"));
        const Result result =
            Run({"--data", m_data, "--method", "tev", "--out", out, "--filter", device.toLower(), "--sort",
                 "幅值,desc", "--rows", "1-" + QString::number(expected.size())});
        QCOMPARE(result.exitCode, 0);
        const QList<QStringList> written = DataRows(out);
        QCOMPARE(written.size(), expected.size());
        for (qsizetype i = 0; i < written.size(); ++i) {
            QVERIFY2(written[i].contains(expected[i][6] + expected[i][9]), qPrintable(written[i].join('|')));
        }

        // --rows counts in the filtered, sorted list.
        const Result beyond = Run({"--data", m_data, "--method", "tev", "--out", out, "--filter", device,
                                   "--rows", QString::number(expected.size() + 1)});
        QCOMPARE(beyond.exitCode, 1);
        const Result unknown =
            Run({"--data", m_data, "--method", "tev", "--out", out, "--sort", "无此列,desc"});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.err.startsWith(QStringLiteral("zolt-report: unknown sort column '无此列'")));
    }

    void missingPicturesAreWarningsNamingTheFile() {
        const QString bad = DemoDataSets::BadPictures(m_dir.path());
        const QString out = m_dir.filePath(QStringLiteral("bad.docx"));
        const Result result = Run({"--data", bad, "--method", "tev", "--out", out});
        QCOMPARE(result.exitCode, 0);
        const QStringList lines = result.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // Missing, text, zero-byte and cut pictures; a JPEG named .png is still a picture.
        QCOMPARE(lines.size(), 4);
        for (const QString& line : lines) {
            QVERIFY2(line.startsWith(QStringLiteral("zolt-report: warning: ")), qPrintable(line));
            QVERIFY2(line.contains(QDir::toNativeSeparators(bad)), qPrintable(line)); // as the user writes it
        }
        QVERIFY(QFile::exists(out));
    }

    void nothingWrittenIsExitOne_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("out");
        QTest::newRow("no data set") << DemoDataSets::NoDatabase(m_dir.path()) << "us"
                                     << "a.docx";
        QTest::newRow("not a database") << DemoDataSets::NotSqlite(m_dir.path()) << "us"
                                        << "b.docx";
        QTest::newRow("missing table") << DemoDataSets::MissingTable(m_dir.path()) << "us"
                                       << "c.docx";
        QTest::newRow("output not writable") << m_data << "tev"
                                             << "no/such/folder/d.docx";
        QTest::newRow("record beyond the table") << m_data << "us"
                                                 << "e.docx";
    }
    void nothingWrittenIsExitOne() {
        QFETCH(QString, folder);
        QFETCH(QString, method);
        QFETCH(QString, out);
        QVERIFY(!folder.isEmpty());
        const QString target = m_dir.filePath(out);
        QStringList arguments = {"--data", folder, "--method", method, "--out", target};
        if (out == QLatin1String("e.docx")) {
            arguments << "--rows"
                      << "9";
        }
        const Result result = Run(arguments);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err.count(QLatin1Char('\n')), 1);
        QVERIFY(result.err.startsWith(QStringLiteral("zolt-report: ")));
        QVERIFY(!QFile::exists(target));
    }

    void usageErrorsAreExitTwo_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("no --out") << QStringList{"--data", "x", "--method", "us"};
        QTest::newRow("bad method") << QStringList{"--data", "x", "--method", "ae", "--out", "r.docx"};
        QTest::newRow("bad rows") << QStringList{"--data", "x",      "--method", "us",
                                                 "--out",  "r.docx", "--rows",   "3-1"};
        QTest::newRow("row zero") << QStringList{"--data", "x",      "--method", "us",
                                                 "--out",  "r.docx", "--rows",   "0"};
        QTest::newRow("bad date") << QStringList{"--data", "x",      "--method", "us",
                                                 "--out",  "r.docx", "--date",   "6.8.2020"};
        QTest::newRow("unknown option")
            << QStringList{"--data", "x", "--method", "us", "--out", "r.docx", "--colour", "red"};
        QTest::newRow("missing value") << QStringList{"--data", "x", "--method", "us", "--out"};
        QTest::newRow("sort without a column")
            << QStringList{"--data", "x", "--method", "us", "--out", "r.docx", "--sort", ",desc"};
    }
    void usageErrorsAreExitTwo() {
        QFETCH(QStringList, arguments);
        const Result result = Run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.err.contains(QStringLiteral("Usage: zolt-report")));
    }

    void helpAndVersion() {
        const Result help = Run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("--rows all|LIST")));
        QVERIFY(help.out.contains(QStringLiteral("--filter TEXT")));
        QVERIFY(help.out.contains(QStringLiteral("--sort COLUMN[,desc]")));
        const Result version = Run({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("zolt-report ")));
    }
};

QTEST_GUILESS_MAIN(TestZoltReport)
#include "tst_zoltreport.moc"
