// The main window closed while its report job runs, a hundred times, at random moments from right
// after the click to after the end: no crash, no deadlock, no half-written report and no temporary
// file; an old report is either kept or replaced by a complete new one. The sanitizer builds run
// this too (leaks, races, use after free).

#include "app/CZOLTDlg.h"
#include "report/CBaseThread.h"
#include "support/DemoDataSets.h"
#include "support/DocReader.h"
#include "support/DocxBody.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kRecords = 12;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

QPushButton* Button(QWidget& window, const char* id) {
    return window.findChild<QPushButton*>(QString::fromLatin1(id));
}

} // namespace

class TestCloseLoop : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_data;
    QString m_previousDir;

    // Opens the data set, ticks every record and answers the dialogs for a report to `target`; the
    // job starts with a click on 生成报告.
    std::unique_ptr<CZOLTDlg> Prepare(ScriptedPrompts& prompts, const QString& target) {
        auto window = std::make_unique<CZOLTDlg>(&prompts);
        window->show();
        prompts.folders << m_data;
        QTest::mouseClick(Button(*window, "1010"), Qt::LeftButton);
        QTest::mouseClick(Button(*window, "1015"), Qt::LeftButton);
        prompts.saveFiles << target;
        prompts.baseInfoScripts << [](QWidget*) { return true; };
        return window;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path())); // the basic information's store
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("关闭 数据"), kRecords);
        QVERIFY(!m_data.isEmpty());
    }

    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void closedHundredTimesDuringTheJob() {
        const QString folder = m_dir.filePath(QStringLiteral("reports"));
        QVERIFY(QDir().mkpath(folder));

        // How long a whole job takes here, so that the closing moments cover all of it.
        qint64 jobMs = 0;
        {
            ScriptedPrompts prompts;
            std::unique_ptr<CZOLTDlg> window = Prepare(prompts, folder + QStringLiteral("/whole.docx"));
            QElapsedTimer clock;
            clock.start();
            QTest::mouseClick(Button(*window, "1009"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(Button(*window, "1009")->isEnabled(), 120000);
            jobMs = clock.elapsed();
            QCOMPARE(ReportRows(folder + QStringLiteral("/whole.docx")), kRecords);
            QVERIFY(QFile::remove(folder + QStringLiteral("/whole.docx")));
        }

        // Old reports to be kept or replaced: a complete report of other content.
        QByteArray oldReport[2];
        for (int format = 0; format < 2; ++format) {
            const QString path = folder + (format ? QStringLiteral("/old.doc") : QStringLiteral("/old.docx"));
            ScriptedPrompts prompts;
            std::unique_ptr<CZOLTDlg> window = std::make_unique<CZOLTDlg>(&prompts);
            prompts.folders << m_data;
            QTest::mouseClick(Button(*window, "1010"), Qt::LeftButton);
            prompts.saveFiles << path;
            prompts.baseInfoScripts << [](QWidget*) { return true; };
            QTest::mouseClick(Button(*window, "1009"), Qt::LeftButton); // nothing ticked: header only
            QTRY_VERIFY_WITH_TIMEOUT(Button(*window, "1009")->isEnabled(), 60000);
            oldReport[format] = ReadAll(path);
            QVERIFY(QFile::remove(path));
            QVERIFY(!oldReport[format].isEmpty());
        }

        QRandomGenerator random(4711);
        int kept = 0, replaced = 0, none = 0;
        for (int round = 0; round < 100; ++round) {
            const bool doc = round % 2 == 1;
            const bool withOld = round % 4 < 2;
            const QString name = QStringLiteral("报告%1%2").arg(round).arg(doc ? ".doc" : ".docx");
            const QString target = folder + QLatin1Char('/') + name;
            if (withOld) {
                QFile file(target);
                QVERIFY(file.open(QIODevice::WriteOnly) &&
                        file.write(oldReport[doc]) == oldReport[doc].size());
            }

            auto prompts = std::make_unique<ScriptedPrompts>();
            std::unique_ptr<CZOLTDlg> window = Prepare(*prompts, target);
            QTest::mouseClick(Button(*window, "1009"), Qt::LeftButton);
            // Close at once, or after letting the job run a while (more often early, when it is still
            // building the document, than late, when it saves or has ended).
            const double u = random.generateDouble();
            const int waitMs = round % 5 == 0 ? 0 : int(u * u * double(jobMs + jobMs / 5));
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < waitMs)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            window->close();
            window.reset();
            prompts.reset();
            CBaseThread::JoinAbandonedWorkers();

            const QString where = QStringLiteral("round %1 (%2 ms)").arg(round).arg(waitMs);
            const QStringList entries =
                QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
            QVERIFY2(entries.isEmpty() || entries == QStringList{name},
                     qPrintable(where + QStringLiteral(": ") + entries.join(u',')));
            if (entries.isEmpty()) {
                QVERIFY2(!withOld, qPrintable(where + QStringLiteral(": the old report is gone")));
                ++none;
                continue;
            }
            if (withOld && ReadAll(target) == oldReport[doc]) {
                ++kept;
            } else {
                QVERIFY2(ReportRows(target) == kRecords,
                         qPrintable(where + QStringLiteral(": incomplete report")));
                ++replaced;
            }
            QVERIFY(QFile::remove(target));
        }
        qInfo("100 closes (job %lld ms): old kept %d, replaced by a complete report %d, no report %d", jobMs,
              kept, replaced, none);
    }
};

QTEST_MAIN(TestCloseLoop)
#include "tst_closeloop.moc"
