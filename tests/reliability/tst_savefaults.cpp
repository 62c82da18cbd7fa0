// A report that cannot be written completely: the disk fills up, the temporary file cannot even be
// made, or the writes stop part way (a file size limit). In every case the old report stays as it
// was, no temporary file is left behind (its space is given back), and the user is told why.

#include "app/CZOLTDlg.h"
#include "data/CDataSetLayout.h"
#include "support/DemoDataSets.h"
#include "support/ScratchMount.h"
#include "support/ScriptedPrompts.h"
#include "word/CWordOper.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 FreeBytes(const QString& folder) {
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bfree) * qint64(info.f_frsize);
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Pixels that do not compress: the PNG is about as large as the raw image.
bool SaveNoisePng(const QString& path, int side, quint32 seed) {
    QImage image(side, side, QImage::Format_RGB888);
    QRandomGenerator random(seed);
    for (int y = 0; y < side; ++y)
        random.fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), side * 3 / 4);
    return image.save(path, "PNG");
}

// A small complete report: the "old" one that must survive.
bool SaveSmallReport(const QString& path) {
    CWordOper word;
    word.SetMessageHandler([](const QString&) {});
    word.Start();
    word.TypeText(QStringLiteral("旧报告 old report"));
    return word.SaveAs(path);
}

} // namespace

class TestSaveFaults : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_noise1;
    QString m_noise2;
    QString m_data; // a data set whose US pictures do not compress

    // A document larger than the small file systems below: each noise picture is about 770 KB.
    void BuildLargeDocument(CWordOper& word) {
        word.Start();
        word.TypeText(QStringLiteral("新报告"));
        word.TypeParagraph();
        word.AddTable(1, 4);
        word.MoveRight();
        QVERIFY(word.InsertPicture(m_noise1, 140, 105));
        word.MoveRight();
        QVERIFY(word.InsertPicture(m_noise2, 140, 105));
    }

    std::unique_ptr<ScratchMount> MountTmpfs(const QString& name, qint64 bytes, int inodes) {
        QString reason;
        std::unique_ptr<ScratchMount> mount =
            ScratchMount::Tmpfs(m_dir.filePath(name), bytes, inodes, &reason);
        if (!mount)
            qWarning("%s", qPrintable(reason));
        return mount;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_noise1 = m_dir.filePath(QStringLiteral("noise1.png"));
        m_noise2 = m_dir.filePath(QStringLiteral("noise2.png"));
        QVERIFY(SaveNoisePng(m_noise1, 512, 1));
        QVERIFY(SaveNoisePng(m_noise2, 512, 2));
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("噪声 数据"), 2);
        QVERIFY(!m_data.isEmpty());
        const QString pictures = CDataSetLayout::PictureFolder(m_data, 0);
        QVERIFY(QFile::copy(m_noise1, pictures + QStringLiteral("/noise1.png")));
        QVERIFY(QFile::copy(m_noise2, pictures + QStringLiteral("/noise2.png")));
        QVERIFY(
            DemoDataSets::Execute(CDataSetLayout::DatabasePath(m_data),
                                  {QStringLiteral("UPDATE AE_RECORD SET \"波形图\" = 'noise1.png', "
                                                  "\"连续图\" = 'noise2.png', \"PRPD图\" = 'noise1.png'")}));
    }

    void formats_data() {
        QTest::addColumn<QString>("extension");
        QTest::newRow("docx") << QStringLiteral(".docx");
        QTest::newRow("doc") << QStringLiteral(".doc");
    }

    // The disk fills up while the new report is written.
    void diskFullKeepsTheOldReport_data() { formats_data(); }
    void diskFullKeepsTheOldReport() {
        QFETCH(QString, extension);
        const auto mount = MountTmpfs(QStringLiteral("full") + extension, 256 * 1024, 0);
        if (!mount)
            QSKIP(
                "no small tmpfs for a full disk (see the warning); the file size limit test covers part-way "
                "failures");
        const QString target = mount->Folder() + QStringLiteral("/报告") + extension;
        QVERIFY(SaveSmallReport(target));
        const QByteArray old = ReadAll(target);
        const qint64 freeBefore = FreeBytes(mount->Folder());

        CWordOper word;
        QStringList messages;
        word.SetMessageHandler([&](const QString& text) { messages << text; });
        BuildLargeDocument(word);
        QVERIFY(!word.SaveAs(target));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(messages[0]));
        QCOMPARE(ReadAll(target), old);
        QCOMPARE(Entries(mount->Folder()), QStringList{QStringLiteral("报告") + extension});
        QCOMPARE(FreeBytes(mount->Folder()), freeBefore); // the partial file's space is given back

        // With room again the same document replaces the old report completely.
        QVERIFY(::mount(nullptr, QFile::encodeName(mount->Folder()).constData(), nullptr, MS_REMOUNT,
                        "size=16m") == 0);
        QVERIFY(word.SaveAs(target));
        QVERIFY(ReadAll(target).size() > 1024 * 1024);
        QCOMPARE(Entries(mount->Folder()), QStringList{QStringLiteral("报告") + extension});
    }

    // A package's document text goes through the system's temporary folder while the pictures go
    // in; when that folder is full, the save fails with the reason and the old report stays.
    void temporaryFolderFull() {
        const auto mount = MountTmpfs(QStringLiteral("tmpdir"), 64 * 1024, 0);
        if (!mount)
            QSKIP("no small tmpfs (see the warning)");
        const QString target = m_dir.filePath(QStringLiteral("文本.docx"));
        QVERIFY(SaveSmallReport(target));
        const QByteArray old = ReadAll(target);
        const qint64 freeBefore = FreeBytes(mount->Folder());

        CWordOper word;
        QStringList messages;
        word.SetMessageHandler([&](const QString& text) { messages << text; });
        word.Start();
        for (int i = 0; i < 2000; ++i) { // about 1 MB of document text
            word.TypeText(QStringLiteral("检测数据 %1: 幅值、脉冲数与严重度").arg(i));
            word.TypeParagraph();
        }
        QVERIFY(word.InsertPicture(m_noise1, 140, 105));
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(mount->Folder()));
        const bool saved = word.SaveAs(target);
        if (tmpdir.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", tmpdir);
        QVERIFY(!saved);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("document text")) &&
                     messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(messages[0]));
        QCOMPARE(ReadAll(target), old);
        QVERIFY(!Entries(m_dir.path()).join(QLatin1Char(' ')).contains(QStringLiteral(".~")));
        QVERIFY(Entries(mount->Folder()).isEmpty());
        QCOMPARE(FreeBytes(mount->Folder()), freeBefore);
    }

    // Not even the temporary file can be made (no inode left): the folder is named.
    void noRoomForTheTemporaryFile_data() { formats_data(); }
    void noRoomForTheTemporaryFile() {
        QFETCH(QString, extension);
        // The root folder and the old report take both inodes.
        const auto mount = MountTmpfs(QStringLiteral("inodes") + extension, 1024 * 1024, 2);
        if (!mount)
            QSKIP("no small tmpfs (see the warning)");
        const QString target = mount->Folder() + QStringLiteral("/报告") + extension;
        QVERIFY(SaveSmallReport(target));
        const QByteArray old = ReadAll(target);

        CWordOper word;
        QStringList messages;
        word.SetMessageHandler([&](const QString& text) { messages << text; });
        word.Start();
        word.TypeText(QStringLiteral("新报告"));
        QVERIFY(!word.SaveAs(target));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QDir::toNativeSeparators(mount->Folder())), qPrintable(messages[0]));
        QCOMPARE(ReadAll(target), old);
        QCOMPARE(Entries(mount->Folder()), QStringList{QStringLiteral("报告") + extension});
    }

    // The writes stop part way (a file size limit makes them fail with EFBIG): zolt-report says so
    // in one line and exits 1; the old report is untouched and nothing else is left in the folder.
    void writesFailingPartWay_data() { formats_data(); }
    void writesFailingPartWay() {
        QFETCH(QString, extension);
        const QString folder = m_dir.filePath(QStringLiteral("limit") + extension);
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/报告") + extension;
        QVERIFY(SaveSmallReport(target));
        const QByteArray old = ReadAll(target);

        QProcess process;
        process.setChildProcessModifier([] {
            // Writes past 200 KB fail with EFBIG instead of killing the writer.
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {};
            limit.rlim_cur = limit.rlim_max = 200 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        process.start(qEnvironmentVariable("ZOLT_REPORT"),
                      {QStringLiteral("--data"), m_data, QStringLiteral("--method"), QStringLiteral("us"),
                       QStringLiteral("--out"), target});
        QVERIFY(process.waitForFinished(300000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QVERIFY2(err.contains(QDir::toNativeSeparators(target)), qPrintable(err));
        QVERIFY2(err.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(err));
        QCOMPARE(ReadAll(target), old);
        QCOMPARE(Entries(folder), QStringList{QStringLiteral("报告") + extension});
    }

    // The same through the window: no success question, an error box naming the file and the
    // reason, and the window usable again.
    void windowReportsAFullDisk() {
        const auto mount = MountTmpfs(QStringLiteral("window"), 256 * 1024, 0);
        if (!mount)
            QSKIP("no small tmpfs for a full disk (see the warning)");
        const QString target = mount->Folder() + QStringLiteral("/报告.doc");
        QVERIFY(SaveSmallReport(target));
        const QByteArray old = ReadAll(target);

        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        prompts.folders << m_data;
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("1010")), Qt::LeftButton);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("1015")), Qt::LeftButton);
        prompts.saveFiles << target;
        prompts.baseInfoScripts << [](QWidget*) { return true; };
        prompts.answers << IUserPrompts::Answer::Ok;
        auto* generate = window.findChild<QPushButton*>(QStringLiteral("1009"));
        QTest::mouseClick(generate, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(generate->isEnabled(), 120000);
        QTRY_COMPARE(prompts.messages.size(), 1);
        const ScriptedPrompts::MessageRecord& box = prompts.messages[0];
        QCOMPARE(box.icon, IUserPrompts::Icon::Error);
        QVERIFY2(box.text.startsWith(QStringLiteral("报告未能保存：")), qPrintable(box.text));
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(target)), qPrintable(box.text));
        QVERIFY2(box.text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(box.text));
        QVERIFY(prompts.openedDocuments.isEmpty());
        QCOMPARE(ReadAll(target), old);
        QCOMPARE(Entries(mount->Folder()), QStringList{QStringLiteral("报告.doc")});
    }
};

QTEST_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
