// A test data set is instrument data that must never change: after every operation of the program
// on it (choosing it, switching methods, ticking, writing reports from the window and with
// zolt-report, closing) every file in it is byte for byte as before, WAL journals included. And
// everything works when the folder is read-only (a read-only bind mount, which stops root as well)
// or lies on read-only media (a read-only tmpfs).

#include "app/CRecordListModel.h"
#include "app/CZOLTDlg.h"
#include "data/CDataSetLayout.h"
#include "support/DemoDataSets.h"
#include "support/DocReader.h"
#include "support/DocxBody.h"
#include "support/ScratchMount.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Snapshot = QMap<QString, QByteArray>;

QPushButton* Button(QWidget& window, const char* id) {
    return window.findChild<QPushButton*>(QString::fromLatin1(id));
}

// Data rows of a complete report, -1 when the file is not one.
int ReportRows(const QString& path) {
    if (path.endsWith(QLatin1String(".docx"))) {
        const DocxBody body(path);
        for (const DocxBody::Element& element : body.Elements())
            if (element.isTable && element.table.gridColumns == 14)
                return int(element.table.rows.size()) - 1;
        return -1;
    }
    DocReader inspector;
    if (!inspector.Load(path) || !inspector.Problems().isEmpty())
        return -1;
    const std::vector<DocReader::Table> tables = inspector.Tables();
    return tables.size() == 2 ? int(tables[1].rows.size()) - 1 : -1;
}

// zolt-report's path made absolute before the test changes its working folder: "/path" names a
// different file once the current drive is another one (Windows, and Wine's Unix paths on Z:).
QString& ReportProgram() {
    static QString program;
    return program;
}

int RunReport(const QString& folder, const char* method, const QString& out) {
    QProcess process;
    process.start(ReportProgram(), {QStringLiteral("--data"), folder, QStringLiteral("--method"),
                                    QString::fromLatin1(method), QStringLiteral("--out"), out});
    if (!process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

bool CopyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(path);
        if (it.fileInfo().isDir() ? !QDir().mkpath(target) : !QFile::copy(path, target))
            return false;
    }
    return true;
}

// The main window on a data set, driven as a user drives it.
class Session {
public:
    explicit Session(const QString& folder)
        : m_window(std::make_unique<CZOLTDlg>(&m_prompts)), m_folder(folder) {}

    void Open() {
        m_prompts.folders << m_folder;
        QTest::mouseClick(Button(*m_window, "1010"), Qt::LeftButton);
    }
    void Method(int method) {
        m_window->findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(method);
    }
    void Click(const char* id) { QTest::mouseClick(Button(*m_window, id), Qt::LeftButton); }
    // Ticks everything and writes a report to `path`; true when the window says it is done.
    bool Generate(const QString& path) {
        Click("1015");
        m_prompts.saveFiles << path;
        m_prompts.baseInfoScripts << [](QWidget*) { return true; };
        const int before = int(m_prompts.messages.size());
        Click("1009");
        if (!QTest::qWaitFor([&] { return Button(*m_window, "1009")->isEnabled(); }, 120000))
            return false;
        // Messages about bad pictures may come first; the last one tells the outcome.
        return m_prompts.messages.size() > before &&
               m_prompts.messages.last().text == QStringLiteral("报告已完成，是否立即查看？");
    }
    int Rows() const { return m_window->RecordModel()->rowCount(); }
    QStringList Messages() const { return m_prompts.MessageTexts(); }
    void Close() { m_window.reset(); }

private:
    ScriptedPrompts m_prompts;
    std::unique_ptr<CZOLTDlg> m_window;
    QString m_folder;
};

} // namespace

class TestDataSetIntact : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QString m_out;
    int m_count = 0;

    QString Out(const QString& extension) {
        return m_out + QStringLiteral("/r%1%2").arg(++m_count).arg(extension);
    }

    QList<QPair<QString, QString>> m_sets; // name, folder
    QList<int> m_records;

    void Sets() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("records"); // per table
        for (int i = 0; i < m_sets.size(); ++i)
            QTest::newRow(qPrintable(m_sets[i].first)) << m_sets[i].second << m_records[i];
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(!qEnvironmentVariableIsEmpty("ZOLT_REPORT"));
        ReportProgram() = QFileInfo(qEnvironmentVariable("ZOLT_REPORT")).absoluteFilePath();
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        m_out = m_dir.filePath(QStringLiteral("reports"));
        QVERIFY(QDir().mkpath(m_out));
        const QString parent = m_dir.filePath(QStringLiteral("sets"));
        m_sets = {
            {QStringLiteral("plain database"), DemoDataSets::Good(parent, DemoDataSets::AwkwardName(), 4)},
            {QStringLiteral("WAL journal with -shm"), DemoDataSets::WalPending(parent, true)},
            {QStringLiteral("WAL journal without -shm"),
             DemoDataSets::WalPending(parent, false, QStringLiteral("WAL 无 shm"))},
            {QStringLiteral("bad pictures"), DemoDataSets::BadPictures(parent)}};
        m_records = {4, 6, 6, 6};
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void everyOperationLeavesEveryFileAsItWas_data() { Sets(); }
    void everyOperationLeavesEveryFileAsItWas() {
        QFETCH(QString, folder);
        QFETCH(int, records);
        QVERIFY(!folder.isEmpty());
        const Snapshot before = DemoDataSets::Snapshot(folder);
        const auto unchanged = [&](const char* after) {
            QVERIFY2(DemoDataSets::Snapshot(folder) == before, after);
        };

        Session session(folder);
        session.Open();
        QCOMPARE(session.Rows(), records);
        unchanged("choosing the folder");
        for (int method : {1, 2, 0}) {
            session.Method(method);
            QCOMPARE(session.Rows(), records);
            unchanged("switching the method");
        }
        session.Click("1015");
        session.Click("1016");
        unchanged("ticking and clearing");
        for (const QString& extension : {QStringLiteral(".docx"), QStringLiteral(".doc")}) {
            const QString out = Out(extension);
            QVERIFY(session.Generate(out));
            QCOMPARE(ReportRows(out), records);
            unchanged("writing a report from the window");
        }
        session.Open(); // the same folder again
        unchanged("choosing the folder again");
        session.Close();
        unchanged("closing the window");

        for (const char* method : {"us", "tev", "hfct"}) {
            for (const QString& extension : {QStringLiteral(".docx"), QStringLiteral(".doc")}) {
                const QString out = Out(extension);
                QCOMPARE(RunReport(folder, method, out), 0);
                QCOMPARE(ReportRows(out), records);
                unchanged("zolt-report");
            }
        }
    }

    // The folder is read-only for everyone, root included: the window lists and reports as
    // usual; a report meant for that folder fails with a message and nothing is created there.
    void readOnlyFolder_data() { Sets(); }
    void readOnlyFolder() {
        QFETCH(QString, folder);
        QFETCH(int, records);
        QVERIFY(!folder.isEmpty());
        // The mount point keeps the folder's name, which the database is named after.
        const QString mountPoint =
            m_dir.filePath(QStringLiteral("ro%1/").arg(++m_count) + CDataSetLayout::FolderName(folder));
        QString reason;
        const std::unique_ptr<ScratchMount> mount = ScratchMount::ReadOnlyBind(folder, mountPoint, &reason);
        if (!mount)
            QSKIP(qPrintable(QStringLiteral("no read-only bind mount: ") + reason));
        QVERIFY(!QFile(mountPoint + QStringLiteral("/probe")).open(QIODevice::WriteOnly)); // really read-only
        const Snapshot before = DemoDataSets::Snapshot(folder);

        Session session(mountPoint);
        session.Open();
        QVERIFY2(session.Messages().isEmpty(), qPrintable(session.Messages().join(u'\n')));
        QCOMPARE(session.Rows(), records);
        const QString out = Out(QStringLiteral(".doc"));
        QVERIFY(session.Generate(out));
        QCOMPARE(ReportRows(out), records);

        // Saving into the read-only folder itself: an error box naming the file, nothing written.
        const QString inside = mountPoint + QStringLiteral("/报告.docx");
        QVERIFY(!session.Generate(inside));
        QVERIFY2(session.Messages().last().startsWith(QStringLiteral("报告未能保存：")),
                 qPrintable(session.Messages().last()));
        QVERIFY(session.Messages().last().contains(QDir::toNativeSeparators(inside)));
        session.Close();

        const QString byTool = Out(QStringLiteral(".docx"));
        QCOMPARE(RunReport(mountPoint, "hfct", byTool), 0);
        QCOMPARE(ReportRows(byTool), records);
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // A database file of no or one byte beside a -wal journal (a copy cut short): SQLite takes
    // both for an empty database and would delete the journal. Nothing is listed or written, and
    // the journal stays (found by fuzzing).
    void tinyDatabaseBesideAJournal_data() {
        QTest::addColumn<QByteArray>("database");
        QTest::newRow("no byte") << QByteArray();
        QTest::newRow("one byte") << QByteArray(1, '\0');
    }
    void tinyDatabaseBesideAJournal() {
        QFETCH(QByteArray, database);
        const QString folder =
            DemoDataSets::EmptyDatabaseFile(m_dir.filePath(QStringLiteral("tiny%1").arg(++m_count)));
        QVERIFY(!folder.isEmpty());
        const QString path = CDataSetLayout::DatabasePath(folder);
        const QString journal = CDataSetLayout::DatabasePath(m_sets[1].second) + QStringLiteral("-wal");
        QVERIFY(QFile::copy(journal, path + QStringLiteral("-wal")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(database) == database.size());
        file.close();
        const Snapshot before = DemoDataSets::Snapshot(folder);

        Session session(folder);
        session.Open();
        QCOMPARE(session.Rows(), 0);
        session.Close();
        QCOMPARE(RunReport(folder, "us", Out(QStringLiteral(".docx"))), 1);
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }

    // A data set with a pending WAL journal on read-only media (a tmpfs mounted read-only): the
    // journal's records are read without any -shm being made or changed.
    void readOnlyMedia() {
        const QString medium = m_dir.filePath(QStringLiteral("medium"));
        QString reason;
        const std::unique_ptr<ScratchMount> mount = ScratchMount::Tmpfs(medium, 64 * 1024 * 1024, 0, &reason);
        if (!mount)
            QSKIP(qPrintable(QStringLiteral("no tmpfs for read-only media: ") + reason));
        const QString source =
            DemoDataSets::WalPending(m_dir.filePath(QStringLiteral("media source")), false);
        QVERIFY(!source.isEmpty());
        const QString folder = medium + QLatin1Char('/') + CDataSetLayout::FolderName(source);
        QVERIFY(CopyTree(source, folder));
        QVERIFY(mount->SetReadOnly(true, &reason));
        const Snapshot before = DemoDataSets::Snapshot(folder);
        QVERIFY(before.contains(CDataSetLayout::FolderName(source) + QStringLiteral(".db3-wal")));

        Session session(folder);
        session.Open();
        QCOMPARE(session.Rows(), 6);
        const QString out = Out(QStringLiteral(".docx"));
        QVERIFY(session.Generate(out));
        QCOMPARE(ReportRows(out), 6);
        session.Close();
        const QString byTool = Out(QStringLiteral(".doc"));
        QCOMPARE(RunReport(folder, "tev", byTool), 0);
        QCOMPARE(ReportRows(byTool), 6);
        QCOMPARE(DemoDataSets::Snapshot(folder), before);
    }
};

QTEST_MAIN(TestDataSetIntact)
#include "tst_datasetintact.moc"
