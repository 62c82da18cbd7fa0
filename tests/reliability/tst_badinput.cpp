// The bad-input matrix: hostile test data sets and pictures, each with its clear outcome in the
// window's record list and in the reports that zolt-report writes from them (.docx and .doc). Every
// row also checks that the data set is left byte for byte as it was, and that only readable image
// files ever reach a report.

#include "DemoDataSet.h"
#include "app/CRecordListModel.h"
#include "app/CZOLTDlg.h"
#include "data/CDataSetLayout.h"
#include "support/DemoDataSets.h"
#include "support/DocReader.h"
#include "support/DocxBody.h"
#include "support/ScriptedPrompts.h"
#include "word/CWordOper.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

const QString kNoData = QStringLiteral("未在当前文件夹下找到检测数据！");
const QString kOpenFailed = QStringLiteral("打开检测数据失败！");

struct ListOutcome {
    QStringList messages;
    int rows = -1;
    int columns = -1;
    bool canGenerate = false;
};

// Chooses the folder in the main window, as a user does, and reports what the list shows.
ListOutcome OpenInWindow(const QString& folder, int method) {
    ScriptedPrompts prompts;
    CZOLTDlg window(&prompts);
    window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(method);
    prompts.folders << folder;
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("1010")), Qt::LeftButton);
    ListOutcome outcome;
    outcome.messages = prompts.MessageTexts();
    outcome.rows = window.RecordModel()->rowCount();
    outcome.columns = window.RecordModel()->columnCount();
    outcome.canGenerate = window.findChild<QPushButton*>(QStringLiteral("1009"))->isEnabled();
    // Every cell is shown: decoding must cope with whatever the table holds.
    for (int row = 0; row < qMin(outcome.rows, 50); ++row)
        for (int column = 0; column < outcome.columns; ++column)
            window.RecordModel()->data(window.RecordModel()->index(row, column));
    return outcome;
}

struct ReportOutcome {
    int exitCode = -1;
    QStringList warnings;   // stderr lines
    QStringList values;     // the data table's value column, top-down
    int pictures = 0;       // pictures in the data table
    QString problems;       // what is wrong with the file, empty when it is sound
    QStringList pictureIds; // .docx: what each picture run refers to (for the media check)
};

const char* MethodName(int method) {
    static const char* const kNames[] = {"us", "tev", "hfct"};
    return kNames[method];
}

ReportOutcome WriteReport(const QString& folder, int method, const QString& out,
                          const QStringList& extra = QStringList(), int timeoutMs = 300000) {
    ReportOutcome outcome;
    QProcess process;
    process.start(qEnvironmentVariable("ZOLT_REPORT"),
                  QStringList{"--data", folder, "--method", MethodName(method), "--out", out} + extra);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        outcome.problems = QStringLiteral("zolt-report did not finish");
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    outcome.warnings =
        QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (outcome.exitCode != 0)
        return outcome;
    if (out.endsWith(QLatin1String(".docx"))) {
        const DocxBody body(out);
        outcome.problems = body.Error();
        for (const DocxBody::Element& element : body.Elements()) {
            if (!element.isTable || element.table.gridColumns != 14)
                continue;
            for (int row = 1; row < element.table.rows.size(); ++row) {
                const QList<DocxBody::Cell>& cells = element.table.rows[row];
                outcome.values << cells.value(1).Text();
                for (int cell = 2; cell < cells.size(); ++cell)
                    outcome.pictures += int(cells[cell].Pictures().size());
            }
        }
    } else {
        DocReader inspector;
        inspector.Load(out);
        outcome.problems = inspector.Problems().join(QStringLiteral("; "));
        const std::vector<DocReader::Table> tables = inspector.Tables();
        if (tables.size() == 2) {
            const std::vector<DocReader::TableRow>& rows = tables[1].rows;
            for (std::size_t row = 1; row < rows.size(); ++row)
                outcome.values << rows[row].cells.value(1);
        }
        outcome.pictures = int(inspector.Pictures().size());
    }
    return outcome;
}

QString Quoted(const QString& identifier) {
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString SqlText(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

QList<DemoDataSet::Column> ColumnsOf(int method) {
    return method == 0   ? DemoDataSet::UsColumns()
           : method == 1 ? DemoDataSet::TevColumns()
                         : DemoDataSet::HfctColumns();
}

// "UPDATE <table> SET <column> = <value> WHERE rowid = <row + 1>" for a generated table.
QString SetCell(int method, int column, const QString& sqlValue, int row) {
    return QStringLiteral("UPDATE %1 SET %2 = %3 WHERE rowid = %4")
        .arg(QLatin1String(CDataSetLayout::RecordTable(method)), Quoted(ColumnsOf(method).at(column).name),
             sqlValue)
        .arg(row + 1);
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool SavePng(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(200);
    return image.save(path, "PNG");
}

// A good data set of `records` rows whose US picture 1 cells are set to `cells` (row by row).
QString WithUsPictureCells(const QString& parent, const QString& name, const QStringList& cells) {
    const QString folder = DemoDataSets::Good(parent, name, int(cells.size()));
    if (folder.isEmpty())
        return QString();
    QStringList statements;
    for (int row = 0; row < cells.size(); ++row)
        statements << SetCell(0, 14, SqlText(cells[row]), row);
    return DemoDataSets::Execute(CDataSetLayout::DatabasePath(folder), statements) ? folder : QString();
}

int CountContaining(const QStringList& lines, const QString& text) {
    int count = 0;
    for (const QString& line : lines)
        count += line.contains(text) ? 1 : 0;
    return count;
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_outside; // a folder beside the data sets, for pictures that a cell reaches with ../

    QString Out(const QString& name) const { return m_dir.filePath(QStringLiteral("out/") + name); }

    // Checks both formats of one report; `check` gets the outcome of each.
    void BothFormats(const QString& folder, int method, const QString& name,
                     const std::function<void(const ReportOutcome&, const QString&)>& check) {
        for (const QString& extension : {QStringLiteral(".docx"), QStringLiteral(".doc")}) {
            const QString out = Out(name + extension);
            const ReportOutcome outcome = WriteReport(folder, method, out);
            check(outcome, extension);
            if (QTest::currentTestFailed())
                return;
            if (outcome.exitCode == 0)
                QVERIFY2(outcome.problems.isEmpty(),
                         qPrintable(extension + QLatin1String(": ") + outcome.problems));
            else
                QVERIFY2(!QFile::exists(out), qPrintable(out));
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(!qEnvironmentVariableIsEmpty("ZOLT_REPORT"));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("out"))));
        m_outside = m_dir.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(m_outside));
        QVERIFY(SavePng(m_outside + QStringLiteral("/x.png"), 40, 30));
        QVERIFY(WriteFile(m_outside + QStringLiteral("/secret.txt"), "password=hunter2\n"));
    }

    // Data sets that give no records: the reason is told, nothing is listed, and zolt-report
    // writes nothing (exit 1, one line).
    void unusableDataSets_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message"); // in the window; empty for none
        const QString parent = m_dir.path();
        QTest::newRow("no database") << DemoDataSets::NoDatabase(parent) << kNoData;
        QTest::newRow("database is text") << DemoDataSets::NotSqlite(parent) << QString();
        QTest::newRow("database has zero bytes") << DemoDataSets::EmptyDatabaseFile(parent) << QString();
        QTest::newRow("database is a folder") << DemoDataSets::DatabaseIsDirectory(parent) << kOpenFailed;
        QTest::newRow("record table missing") << DemoDataSets::MissingTable(parent) << QString();

        // A record table that is a view computing rows without end: listed as no table at all,
        // never a hang.
        const QString endless = DemoDataSets::Good(parent, QStringLiteral("无尽视图"), 3);
        QVERIFY(DemoDataSets::Execute(
            CDataSetLayout::DatabasePath(endless),
            {QStringLiteral("DROP TABLE AE_RECORD"),
             QStringLiteral(
                 "CREATE VIEW AE_RECORD AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                 "FROM c) SELECT x AS a, x AS b, x AS c, x AS d, x AS e, x AS f, x AS g FROM c")}));
        QTest::newRow("record table is an endless view") << endless << QString();
    }
    void unusableDataSets() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QVERIFY(!folder.isEmpty());
        const auto before = DemoDataSets::Snapshot(folder);

        const ListOutcome list = OpenInWindow(folder, 0);
        QCOMPARE(list.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(list.rows, 0);
        QVERIFY(!list.canGenerate);

        BothFormats(folder, 0, QStringLiteral("unusable-") + QTest::currentDataTag(),
                    [](const ReportOutcome& outcome, const QString&) {
                        QCOMPARE(outcome.exitCode, 1);
                        QCOMPARE(outcome.warnings.size(), 1);
                        QVERIFY(outcome.warnings[0].startsWith(QStringLiteral("zolt-report: ")));
                    });
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // Hostile cells: every record is listed and reported, the texts made safe, the rest as given.
    void hostileCells_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("method");
        QTest::addColumn<QStringList>("values");  // the report's value column
        QTest::addColumn<int>("pictures");        // embedded in the data table
        QTest::addColumn<int>("pictureWarnings"); // stderr lines of zolt-report
        const QString parent = m_dir.path();
        // The tag names the report file too: no character that Windows names cannot hold.
        QTest::newRow("awkward folder name (spaces, Chinese, #, %)")
            << DemoDataSets::Good(parent, DemoDataSets::AwkwardName(), 3) << 0 << QStringList() << 9 << 0;
        QTest::newRow("empty record table")
            << DemoDataSets::EmptyTable(parent) << 0 << QStringList() << 0 << 0;
        // Value only, no unit, no pictures: each picture the row does not have is reported missing.
        QTest::newRow("rows shorter than the report reads")
            << DemoDataSets::ShortRows(parent) << 0 << QStringList() << 0 << 9;
        // Row 0 lacks picture 2, row 1 all three.
        QTest::newRow("NULL cells") << DemoDataSets::NullCells(parent) << 1 << QStringList() << 5 << 4;
        QTest::newRow("malformed UTF-8")
            << DemoDataSets::MalformedUtf8(parent) << 2 << QStringList() << 9 << 0;
        QTest::newRow("XML-special and control characters")
            << DemoDataSets::SpecialCharacters(parent) << 0 << QStringList() << 9 << 0;
        QTest::newRow("10,000-character cells")
            << DemoDataSets::LongCells(parent) << 1 << QStringList() << 8 << 1;
    }
    void hostileCells() {
        QFETCH(QString, folder);
        QFETCH(int, method);
        QFETCH(QStringList, values);
        QFETCH(int, pictures);
        QFETCH(int, pictureWarnings);
        QVERIFY(!folder.isEmpty());
        const auto before = DemoDataSets::Snapshot(folder);

        const ListOutcome list = OpenInWindow(folder, method);
        QVERIFY2(list.messages.isEmpty(), qPrintable(list.messages.join(u'\n')));
        const bool empty = QByteArray(QTest::currentDataTag()) == "empty record table";
        QCOMPARE(list.rows, empty ? 0 : 3);

        QStringList docxValues;
        BothFormats(folder, method, QStringLiteral("cells-") + QTest::currentDataTag(),
                    [&](const ReportOutcome& outcome, const QString& extension) {
                        QCOMPARE(outcome.exitCode, 0);
                        QVERIFY2(outcome.warnings.size() == pictureWarnings,
                                 qPrintable(outcome.warnings.join(u'\n')));
                        // An empty or NULL picture cell, or one the row lacks, names no file.
                        QCOMPARE(CountContaining(outcome.warnings,
                                                 QStringLiteral("The image to be inserted does not exist!")),
                                 pictureWarnings);
                        QCOMPARE(outcome.values.size(), empty ? 0 : 3);
                        if (!values.isEmpty())
                            QCOMPARE(outcome.values, values);
                        QCOMPARE(outcome.pictures, pictures);
                        for (const QString& value : outcome.values) {
                            // What XML forbids never reaches a document.
                            for (const QChar c : value)
                                QVERIFY2(c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r' ||
                                             c == QChar(0x0B),
                                         qPrintable(extension));
                            QVERIFY(!value.contains(QChar(0xFFFE)));
                        }
                        if (extension == QLatin1String(".docx"))
                            docxValues = outcome.values;
                        else
                            QCOMPARE(outcome.values.size(), docxValues.size()); // both show every row
                    });
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // Picture cells that name something else than an image in the picture folder. Only readable
    // image files are embedded; everything else is a warning naming the file, its cell empty.
    void pictureCells_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("embedded");
        QTest::addColumn<QString>("warning"); // part of the warning; empty when embedded
        QTest::newRow("image outside the folder (../../)")
            << QStringLiteral("../../outside/x.png") << true << QString();
        QTest::newRow("text file outside the folder")
            << QStringLiteral("../../outside/secret.txt") << false << QStringLiteral("not an image file");
        QTest::newRow("absolute path")
            << QStringLiteral("/etc/passwd") << false << QStringLiteral("does not exist");
#ifdef Q_OS_WIN
        QTest::newRow("system file reached by ../")
            << QStringLiteral("../../../../../../../../../../windows/win.ini") << false
            << QStringLiteral("not an image file");
#else
        QTest::newRow("system file reached by ../")
            << QStringLiteral("../../../../../../../../../../etc/passwd") << false
            << QStringLiteral("not an image file");
#endif
        QTest::newRow("endless device reached by ../")
            << QStringLiteral("../../../../../../../../../../dev/zero") << false
            << QStringLiteral("not an ordinary file");
        QTest::newRow("a pipe") << QStringLiteral("pipe.png") << false
                                << QStringLiteral("not an ordinary file");
        QTest::newRow("a link to a system file")
            << QStringLiteral("link.png") << false << QStringLiteral("not an image file");
        QTest::newRow("a folder") << QStringLiteral("folder.png") << false << QStringLiteral("folder");
        // An empty cell names no file: the picture is missing (never "a folder").
        QTest::newRow("empty cell") << QString() << false
                                    << QStringLiteral("The image to be inserted does not exist!");
        // Width, height and bits per pixel whose product overflows (found by fuzzing).
        QTest::newRow("BMP header with overflowing sizes")
            << QStringLiteral("overflow.bmp") << false << QStringLiteral("cannot be inserted");
    }
    void pictureCells() {
        QFETCH(QString, cell);
        QFETCH(bool, embedded);
        QFETCH(QString, warning);
        static int count = 0; // data tags hold '/', which a folder name cannot
        const QString folder =
            WithUsPictureCells(m_dir.path(), QStringLiteral("图片 %1").arg(++count), {cell});
        QVERIFY(!folder.isEmpty());
        const QString pictures = CDataSetLayout::PictureFolder(folder, 0);
#ifdef Q_OS_WIN
        if (cell.contains(QStringLiteral("pipe")) || cell.contains(QStringLiteral("link")))
            QSKIP("a FIFO and a symbolic link to /etc/passwd are Linux's");
        if (cell.contains(QStringLiteral("/dev/")))
            QSKIP("needs an endless device file such as Linux's /dev/zero, which Windows has not");
#else
        QCOMPARE(::mkfifo(QFile::encodeName(pictures + QStringLiteral("/pipe.png")).constData(), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), pictures + QStringLiteral("/link.png")));
#endif
        QVERIFY(QDir().mkpath(pictures + QStringLiteral("/folder.png")));
        QVERIFY(WriteFile(pictures + QStringLiteral("/overflow.bmp"),
                          QByteArray::fromBase64("Qk0AAAAAAAAAAAAAAAAAAAIAAAABAAAASWEATU4AQFs=")));
        const auto before = DemoDataSets::Snapshot(folder);

        BothFormats(folder, 0, QStringLiteral("picture-%1").arg(count),
                    [&](const ReportOutcome& outcome, const QString&) {
                        QCOMPARE(outcome.exitCode, 0);
                        // Pictures 2 and 3 of the record are good.
                        QCOMPARE(outcome.pictures, embedded ? 3 : 2);
                        if (embedded) {
                            QVERIFY2(outcome.warnings.isEmpty(), qPrintable(outcome.warnings.join(u'\n')));
                        } else {
                            QVERIFY2(outcome.warnings.size() == 1, qPrintable(outcome.warnings.join(u'\n')));
                            QVERIFY2(outcome.warnings[0].contains(warning), qPrintable(outcome.warnings[0]));
                            QVERIFY2(cell.isEmpty() ||
                                         outcome.warnings[0].contains(QDir::toNativeSeparators(pictures)),
                                     qPrintable(outcome.warnings[0]));
                        }
                    });
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // The refusal of files that are not images, in the document producer itself: a message, FALSE,
    // the document unchanged; a pipe never blocks.
    void producerRefusesWhatIsNotAnImage() {
#ifdef Q_OS_WIN
        QSKIP("FIFOs, /dev/zero and /dev/null are Linux's");
#else
        const QString pipe = m_dir.filePath(QStringLiteral("producer.pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        for (const QString& path : {pipe, QStringLiteral("/dev/zero"), QStringLiteral("/dev/null"),
                                    m_outside + QStringLiteral("/secret.txt"), m_outside}) {
            CWordOper word;
            QStringList messages;
            word.SetMessageHandler([&](const QString& text) { messages << text; });
            word.Start();
            word.AddTable(1, 2);
            QVERIFY2(!word.InsertPicture(path, 140, 105), qPrintable(path));
            QCOMPARE(messages.size(), 1);
            QVERIFY(messages[0].contains(QDir::toNativeSeparators(path)));
            QVERIFY(word.GetDocument().pictures.empty());
        }
#endif
    }

    // Bad picture files of the generator's hostile set: only the good one and the JPEG named .png
    // are embedded.
    void badPictureFiles() {
        const QString folder = DemoDataSets::BadPictures(m_dir.path());
        QVERIFY(!folder.isEmpty());
        const auto before = DemoDataSets::Snapshot(folder);
        BothFormats(folder, 0, QStringLiteral("bad-pictures"),
                    [](const ReportOutcome& outcome, const QString&) {
                        QCOMPARE(outcome.exitCode, 0);
                        QCOMPARE(outcome.values.size(), 6);
                        // Six rows of three pictures; picture 1 is bad in four of them.
                        QCOMPARE(outcome.pictures, 18 - 4);
                        QCOMPARE(outcome.warnings.size(), 4);
                        QCOMPARE(CountContaining(outcome.warnings, QStringLiteral("does not exist")), 1);
                    });
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // 1 MB in the value cell and in a listed cell: listed, and reported whole.
    void megabyteCells() {
        const QString folder = DemoDataSets::Good(m_dir.path(), QStringLiteral("兆字节"), 2);
        QVERIFY(!folder.isEmpty());
        const QString big = QString(1024 * 1024 - 1, QLatin1Char('7')) + QStringLiteral("末");
        QVERIFY(
            DemoDataSets::Execute(CDataSetLayout::DatabasePath(folder),
                                  {SetCell(0, 6, SqlText(big), 0), SetCell(0, 10, QStringLiteral("NULL"), 0),
                                   SetCell(0, 1, SqlText(big), 1)}));
        const ListOutcome list = OpenInWindow(folder, 0);
        QCOMPARE(list.rows, 2);
        BothFormats(folder, 0, QStringLiteral("megabyte"), [&](const ReportOutcome& outcome, const QString&) {
            QCOMPARE(outcome.exitCode, 0);
            QCOMPARE(outcome.values.size(), 2);
            QCOMPARE(outcome.values[0], big);
            QCOMPARE(outcome.pictures, 6);
        });
    }

    // A record table of 100 columns: all listed, the report reads its usual columns.
    void hundredColumns() {
        const QString folder = DemoDataSets::Good(m_dir.path(), QStringLiteral("百列"), 2);
        QVERIFY(!folder.isEmpty());
        QStringList statements;
        for (int column = 20; column < 100; ++column)
            statements
                << QStringLiteral("ALTER TABLE AE_RECORD ADD COLUMN extra%1 TEXT DEFAULT 'x%1'").arg(column);
        QVERIFY(DemoDataSets::Execute(CDataSetLayout::DatabasePath(folder), statements));
        const ListOutcome list = OpenInWindow(folder, 0);
        QCOMPARE(list.columns, 100);
        QCOMPARE(list.rows, 2);
        BothFormats(folder, 0, QStringLiteral("hundred-columns"),
                    [](const ReportOutcome& outcome, const QString&) {
                        QCOMPARE(outcome.exitCode, 0);
                        QCOMPARE(outcome.values.size(), 2);
                        QCOMPARE(outcome.pictures, 6);
                    });
    }

    // A picture of 8000 x 8000 pixels: PNG and JPEG go in as they are, at the layout's size.
    void hugePicture() {
        const QString folder =
            WithUsPictureCells(m_dir.path(), QStringLiteral("大图"), {QStringLiteral("huge.png")});
        QVERIFY(!folder.isEmpty());
        const QString pictures = CDataSetLayout::PictureFolder(folder, 0);
        QVERIFY(SavePng(pictures + QStringLiteral("/huge.png"), 8000, 8000));
        BothFormats(folder, 0, QStringLiteral("huge"), [](const ReportOutcome& outcome, const QString&) {
            QCOMPARE(outcome.exitCode, 0);
            QVERIFY2(outcome.warnings.isEmpty(), qPrintable(outcome.warnings.join(u'\n')));
            QCOMPARE(outcome.pictures, 3);
        });
        const DocxBody body(Out(QStringLiteral("huge.docx")));
        const DocxBody::Table& data =
            body.Elements().last().isTable ? body.Elements().last().table : body.Elements()[25].table;
        QCOMPARE(data.rows.size(), 2);
        const QList<DocxBody::Run> shown = data.rows[1][2].Pictures();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].pictureCx > 0 && shown[0].pictureCx <= 140 * 12700); // never the pixel size
    }

    // 10,000 records, all ticked: the whole report, in both formats.
    void tenThousandRowsAllTicked() {
        const QString folder = DemoDataSets::Good(m_dir.path(), QStringLiteral("万行"), 1);
        QVERIFY(!folder.isEmpty());
        // Small pictures shared by every record keep the report's size reasonable.
        const QString pictures = CDataSetLayout::PictureFolder(folder, 1);
        QVERIFY(SavePng(pictures + QStringLiteral("/s.png"), 8, 6));
        QVERIFY(DemoDataSets::Execute(CDataSetLayout::DatabasePath(folder),
                                      {SetCell(1, 10, QStringLiteral("'s.png'"), 0),
                                       SetCell(1, 11, QStringLiteral("'s.png'"), 0),
                                       SetCell(1, 12, QStringLiteral("'s.png'"), 0)}));
        // The first record, repeated 9,999 times.
        QStringList columns;
        for (const DemoDataSet::Column& column : DemoDataSet::TevColumns())
            columns << Quoted(column.name);
        QVERIFY(DemoDataSets::Execute(
            CDataSetLayout::DatabasePath(folder),
            {QStringLiteral(
                 "INSERT INTO TEV_RECORD SELECT %1 FROM TEV_RECORD, (WITH RECURSIVE n(i) AS (SELECT 1 "
                 "UNION ALL SELECT i + 1 FROM n WHERE i < 9999) SELECT i FROM n)")
                 .arg(columns.join(QLatin1String(", ")))}));
        const ListOutcome list = OpenInWindow(folder, 1);
        QCOMPARE(list.rows, 10000);
        BothFormats(folder, 1, QStringLiteral("ten-thousand"),
                    [](const ReportOutcome& outcome, const QString&) {
                        QCOMPARE(outcome.exitCode, 0);
                        QCOMPARE(outcome.values.size(), 10000);
                        QCOMPARE(outcome.pictures, 30000);
                    });
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
