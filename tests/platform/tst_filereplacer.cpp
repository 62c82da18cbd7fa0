// The durable replace under every report save, on the platform's own file system calls: the new file
// takes the old one's place in one step; a target that another program holds open without sharing
// (Windows) is never replaced behind its back: the save waits about five seconds for it, then says so
// and keeps the old file. Nothing is ended to free it. Also on Windows: the window's settings live in
// the registry, where Windows programs keep theirs.

#include "app/WindowSettings.h"
#include "platform/FileReplacer.h"
#include "wordfile/AtomicFileSaver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Writes fixed bytes, as a document writer would.
class BytesWriter : public Word::IDocumentWriter {
public:
    bool WriteFile(const Word::Document&, const QString& path, QString* error) override {
        if (!Write(path, "the new report")) {
            *error = QStringLiteral("not written");
            return false;
        }
        return true;
    }
};

#ifdef Q_OS_WIN
// The target opened as Word opens a document it edits: no sharing at all.
class HeldOpen {
public:
    explicit HeldOpen(const QString& path)
        : m_handle(CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                               GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr)) {}
    ~HeldOpen() { Release(); }
    bool IsHeld() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Release() {
        if (IsHeld())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};
#endif

} // namespace

class TestFileReplacer : public QObject {
    Q_OBJECT

private slots:
    void replaceTakesTheOldFilesPlaceInOneStep_data();
    void replaceTakesTheOldFilesPlaceInOneStep();
    void flushNamesTheMissingFile();
    void heldTargetIsWaitedForThenKept();
    void settingsLiveWhereThePlatformKeepsThem();
};

// Paths with Chinese characters and spaces, as engineers name their folders.
void TestFileReplacer::replaceTakesTheOldFilesPlaceInOneStep_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("new file") << "reports"
                              << "report.docx" << false;
    QTest::newRow("replaces") << "reports"
                              << "report.docx" << true;
    QTest::newRow("Chinese and spaces") << "检测 报告 2026"
                                        << "城南 变电站 报告.doc" << true;
}

void TestFileReplacer::replaceTakesTheOldFilesPlaceInOneStep() {
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(bool, targetExists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(folder));
    const QString target = dir.filePath(folder + QLatin1Char('/') + name);
    const QString temporary = dir.filePath(folder + QStringLiteral("/.~new"));
    if (targetExists)
        QVERIFY(Write(target, "the old report"));
    QVERIFY(Write(temporary, "the new report"));

    QString reason;
    QVERIFY2(Platform::FileReplacer::FlushFile(temporary, &reason), qPrintable(reason));
    QVERIFY2(Platform::FileReplacer::Replace(temporary, target, &reason), qPrintable(reason));
    Platform::FileReplacer::FlushFolder(dir.filePath(folder));
    QCOMPARE(Content(target), QByteArray("the new report"));
    QVERIFY(!QFile::exists(temporary));
    QCOMPARE(QDir(dir.filePath(folder)).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

void TestFileReplacer::flushNamesTheMissingFile() {
    QTemporaryDir dir;
    QString reason;
    QVERIFY(!Platform::FileReplacer::FlushFile(dir.filePath(QStringLiteral("gone.docx")), &reason));
    QVERIFY2(!reason.isEmpty(), "the system's reason is given");
    QVERIFY(
        !Platform::FileReplacer::Replace(dir.filePath(QStringLiteral("gone")), dir.filePath("t"), &reason));
    QVERIFY(!reason.isEmpty());
}

void TestFileReplacer::heldTargetIsWaitedForThenKept() {
#ifndef Q_OS_WIN
    QSKIP("Linux lets a file be replaced while other programs hold it open; nothing to wait for");
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("检测 报告"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/报告 一.docx");
    QVERIFY(Write(target, "the old report"));
    HeldOpen held(target);
    QVERIFY(held.IsHeld());

    // The platform step fails and leaves both files as they were.
    const QString temporary = folder + QStringLiteral("/.~new");
    QVERIFY(Write(temporary, "the new report"));
    QString reason;
    QVERIFY(!Platform::FileReplacer::Replace(temporary, target, &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(QFile::remove(temporary));

    // A whole save waits about five seconds, says so, keeps the old file and leaves nothing behind.
    Word::AtomicFileSaver saver;
    BytesWriter writer;
    QElapsedTimer timer;
    timer.start();
    QString error;
    QVERIFY(!saver.Save(Word::Document(), target, writer, &error));
    QVERIFY2(timer.elapsed() >= 4500 && timer.elapsed() < 15000,
             qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(error, QStringLiteral("This user has no right to delete the Word document of the same name."));
    held.Release();
    QCOMPARE(Content(target), QByteArray("the old report"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("报告 一.docx")});

    // Released, the same save goes through.
    QVERIFY2(saver.Save(Word::Document(), target, writer, &error), qPrintable(error));
    QCOMPARE(Content(target), QByteArray("the new report"));
#endif
}

void TestFileReplacer::settingsLiveWhereThePlatformKeepsThem() {
    QCoreApplication::setOrganizationName(QStringLiteral("ZOLT 测试"));
    QCoreApplication::setApplicationName(QStringLiteral("filereplacer"));
    {
        App::WindowSettings settings;
        settings.Store()->clear();
        settings.SetLastDataFolder(QStringLiteral("D:/数据/检测 1"));
        settings.Store()->sync();
        QCOMPARE(settings.Store()->status(), QSettings::NoError);
    }
    QCOMPARE(App::WindowSettings().LastDataFolder(), QStringLiteral("D:/数据/检测 1"));
#ifdef Q_OS_WIN
    // Read back through the registry's own interface, not through QSettings.
    const std::wstring key = QStringLiteral("Software\\ZOLT 测试\\filereplacer\\mainWindow").toStdWString();
    wchar_t value[256] = {};
    DWORD size = sizeof(value);
    QCOMPARE(
        RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"dataFolder", RRF_RT_REG_SZ, nullptr, value, &size),
        LONG(ERROR_SUCCESS));
    QCOMPARE(QString::fromWCharArray(value), QStringLiteral("D:/数据/检测 1"));
    App::WindowSettings().Store()->clear();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZOLT 测试");
#else
    App::WindowSettings().Store()->clear();
#endif
}

QTEST_GUILESS_MAIN(TestFileReplacer)
#include "tst_filereplacer.moc"
