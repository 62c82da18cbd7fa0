// zolt-report killed with SIGKILL at random moments while it writes a report over an old one, many
// times: the target is always the complete old file or the complete new one (or, without an old
// file, absent or complete), never a mixture or a stub. Half of the kills are aimed at the save
// itself: they wait until the temporary file appears, then strike within the time a save takes.

#include "support/DemoDataSets.h"
#include "support/DocReader.h"
#include "support/DocxBody.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Under Wine the console host of a console program killed mid-run can outlive it, holding the test's
// output open so that ctest waits for it until its timeout: the victims are started without a console
// (their output still comes through QProcess's pipes).
void WithoutConsole(QProcess& process) {
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= DETACHED_PROCESS; });
#else
    Q_UNUSED(process);
#endif
}

constexpr int kRecords = 40;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Data rows and pictures of a complete report, or -1 when the file is not one.
int CompleteRows(const QString& path, int* pictures) {
    *pictures = 0;
    if (path.endsWith(QLatin1String(".docx"))) {
        const DocxBody body(path);
        if (!body.Error().isEmpty() || body.Elements().isEmpty())
            return -1;
        for (const DocxBody::Element& element : body.Elements()) {
            if (element.isTable && element.table.gridColumns == 14) {
                for (const QList<DocxBody::Cell>& row : element.table.rows)
                    for (const DocxBody::Cell& cell : row)
                        *pictures += int(cell.Pictures().size());
                return int(element.table.rows.size()) - 1;
            }
        }
        return -1;
    }
    DocReader inspector;
    if (!inspector.Load(path) || !inspector.Problems().isEmpty())
        return -1;
    const std::vector<DocReader::Table> tables = inspector.Tables();
    *pictures = int(inspector.Pictures().size());
    return tables.size() == 2 ? int(tables[1].rows.size()) - 1 : -1;
}

// QProcess learns of the end only when asked; this asks without waiting.
bool Running(QProcess& process) {
    return process.state() == QProcess::Running && !process.waitForFinished(0);
}

QStringList Temporaries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".~*")}, QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestKillSave : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_data;

    QStringList Arguments(const QString& out, const QString& rows) const {
        return {QStringLiteral("--data"), m_data, QStringLiteral("--method"), QStringLiteral("us"),
                QStringLiteral("--out"),  out,    QStringLiteral("--rows"),   rows};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(!qEnvironmentVariableIsEmpty("ZOLT_REPORT"));
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("中断 数据"), kRecords);
        QVERIFY(!m_data.isEmpty());
    }

    void killedWhileSaving_data() {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("withOld");
        QTest::newRow("docx over an old report") << QStringLiteral(".docx") << true;
        QTest::newRow("doc over an old report") << QStringLiteral(".doc") << true;
        QTest::newRow("docx, no old report") << QStringLiteral(".docx") << false;
    }
    void killedWhileSaving() {
        QFETCH(QString, extension);
        QFETCH(bool, withOld);
        const QString folder = m_dir.filePath(QStringLiteral("kill-") + QTest::currentDataTag());
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/报告") + extension;
        const QString program = qEnvironmentVariable("ZOLT_REPORT");

        // The complete new report, and how long a run and its save take: the shorter of two runs, so
        // that one slowed by the machine does not send the kills aimed at the save past its end.
        const QString reference =
            m_dir.filePath(QStringLiteral("reference-%1%2").arg(withOld).arg(extension));
        QElapsedTimer clock;
        qint64 runUs = -1;
        qint64 saveUs = -1;
        for (int measured = 0; measured < 2; ++measured) {
            QProcess run;
            clock.start();
            run.start(program, Arguments(reference, QStringLiteral("all")));
            qint64 saveStartUs = -1;
            while (!run.waitForFinished(0)) {
                if (saveStartUs < 0 && !Temporaries(m_dir.path()).isEmpty())
                    saveStartUs = clock.nsecsElapsed() / 1000;
                QThread::usleep(200);
            }
            const qint64 thisRunUs = clock.nsecsElapsed() / 1000;
            QCOMPARE(run.exitCode(), 0);
            const qint64 thisSaveUs =
                saveStartUs < 0 ? thisRunUs / 4 : qMax<qint64>(thisRunUs - saveStartUs, 1000);
            runUs = runUs < 0 ? thisRunUs : qMin(runUs, thisRunUs);
            saveUs = saveUs < 0 ? thisSaveUs : qMin(saveUs, thisSaveUs);
        }
        const QByteArray fresh = ReadAll(reference);
        int freshPictures = 0;
        QCOMPARE(CompleteRows(reference, &freshPictures), kRecords);

        QByteArray old;
        if (withOld) {
            QProcess first;
            first.start(program, Arguments(target, QStringLiteral("1")));
            QVERIFY(first.waitForFinished(120000));
            QCOMPARE(first.exitCode(), 0);
            old = ReadAll(target);
            QVERIFY(!old.isEmpty() && old != fresh);
        }

        QRandomGenerator random(20240601);
        int keptOld = 0, gotNew = 0, absent = 0, killedMidSave = 0, leftovers = 0;
        const int rounds = 40;
        for (int round = 0; round < rounds; ++round) {
            QProcess victim;
            WithoutConsole(victim);
            victim.start(program, Arguments(target, QStringLiteral("all")));
            QVERIFY(victim.waitForStarted());
            clock.restart();
            bool sawTemporary = false;
            if (round % 2 == 0) {
                // Anywhere in the run.
                const qint64 at = random.bounded(qint64(runUs + runUs / 10));
                while (clock.nsecsElapsed() / 1000 < at && Running(victim)) {
                    sawTemporary = sawTemporary || !Temporaries(folder).isEmpty();
                    QThread::usleep(100);
                }
            } else {
                // Within the save: from the moment the temporary file appears.
                while (Running(victim) && !(sawTemporary = !Temporaries(folder).isEmpty()))
                    QThread::usleep(100);
                QThread::usleep(static_cast<unsigned long>(random.bounded(saveUs)));
            }
            const bool stillRunning = Running(victim);
            victim.kill(); // SIGKILL
            QVERIFY(victim.state() == QProcess::NotRunning || victim.waitForFinished(60000));
            killedMidSave +=
                stillRunning && sawTemporary && victim.exitStatus() == QProcess::CrashExit ? 1 : 0;

            const QByteArray now = ReadAll(target);
            const QString where = QStringLiteral("round %1, %2 bytes").arg(round).arg(now.size());
            if (!QFile::exists(target)) {
                QVERIFY2(!withOld, qPrintable(where + QStringLiteral(": the old report is gone")));
                ++absent;
            } else if (withOld && now == old) {
                ++keptOld;
            } else {
                // The new report: the same bytes, or (where a writer stamps the time) the same size
                // and complete.
                int pictures = 0;
                const bool complete = now == fresh || (now.size() == fresh.size() &&
                                                       CompleteRows(target, &pictures) == kRecords &&
                                                       pictures == freshPictures);
                QVERIFY2(complete,
                         qPrintable(where + QStringLiteral(": neither the old nor the new report")));
                ++gotNew;
                if (withOld)
                    QVERIFY(WriteAll(target, old));
                else
                    QVERIFY(QFile::remove(target));
            }
            // A killed process cannot clean up its temporary file; it never takes the target's name.
            for (const QString& name : Temporaries(folder)) {
                ++leftovers;
                QVERIFY(QFile::remove(folder + QLatin1Char('/') + name));
            }
        }
        qInfo("%s: %d kills, %d in the save; target kept old %d, complete new %d, absent %d; %d temporaries "
              "left by killed runs (run %lld ms, save %lld ms)",
              QTest::currentDataTag(), rounds, killedMidSave, keptOld, gotNew, absent, leftovers,
              runUs / 1000, saveUs / 1000);
        QVERIFY2(killedMidSave >= rounds / 4, "too few kills landed in the save to prove anything");
        QCOMPARE(keptOld + gotNew + absent, rounds);
    }
};

QTEST_GUILESS_MAIN(TestKillSave)
#include "tst_killsave.moc"
