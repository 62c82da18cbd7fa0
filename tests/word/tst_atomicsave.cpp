// Saving never destroys the old report before the new one is complete, never leaves a temporary
// file behind, and says plainly why it failed.

#include "docx/DocxWriter.h"
#include "support/DocxPackage.h"
#include "word/CWordOper.h"
#include "wordfile/AtomicFileSaver.h"

#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

const QByteArray kOldContent("the old report");

QString WriteOld(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(kOldContent);
    return path;
}

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Writes half a file and fails, as a full disk would.
class FailingWriter : public Word::IDocumentWriter {
public:
    bool WriteFile(const Word::Document&, const QString& path, QString* error) override {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("PK\x03\x04 half a package");
        *error = QStringLiteral("The Word document could not be written: No space left on device");
        return false;
    }
};

// A target that another program holds: it can never be replaced.
class HeldTargetSaver : public Word::AtomicFileSaver {
public:
    int tries = 0;

protected:
    bool ReplaceTarget(const QString&, const QString&, QString* reason) override {
        ++tries;
        *reason = QStringLiteral("held by another program");
        return false;
    }
};

} // namespace

class TestAtomicSave : public QObject {
    Q_OBJECT

private slots:
    void init();
    void newFileIsWritten();
    void existingTargetIsReplaced();
    void namesOtherThanDocGetThePackage();
    void missingFolder();
    void targetIsAFolder();
    void unwritableFolder();
    void readOnlyFolder();
    void failingWriterKeepsOldFile();
    void writingStep_data();
    void writingStep();
    void pictureChangedBeforeSave_data();
    void pictureChangedBeforeSave();
    void heldTargetIsRetriedThenKept();
    void abandonedTemporariesAreRemoved();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    CWordOper m_word;
    QStringList m_messages;
};

void TestAtomicSave::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_messages.clear();
    m_word.SetWriterFactory({});
    m_word.SetMessageHandler([this](const QString& text) { m_messages << text; });
    m_word.Start();
    m_word.TypeText(QStringLiteral("新报告"));
}

void TestAtomicSave::newFileIsWritten() {
    const QString target = m_dir->filePath(QStringLiteral("报告 1.docx"));
    QVERIFY(m_word.SaveAs(target));
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("报告 1.docx")});
    QVERIFY(DocxPackage(target).IsOpen());
}

void TestAtomicSave::existingTargetIsReplaced() {
    const QString target = WriteOld(m_dir->filePath(QStringLiteral("report.docx")));
    // The old file's permission bits stay with the new report: here none for others, and a group
    // that may only read.
    const QFile::Permissions kept = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(target, kept));
    const QFile::Permissions before = QFile::permissions(target);
    QVERIFY(m_word.SaveAs(target));
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(QFile::permissions(target), before);
    DocxPackage package(target);
    QVERIFY2(package.IsOpen(), qPrintable(package.ErrorString()));
    QVERIFY(package.Read(QStringLiteral("word/document.xml")).contains("新报告"));
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("report.docx")});
}

void TestAtomicSave::namesOtherThanDocGetThePackage() {
    // Only ".doc" is meant for the Word 97-2003 writer: every other name gets the package.
    for (const QString& name : {QStringLiteral("a.DOCX"), QStringLiteral("b.txt"), QStringLiteral("c"),
                                QStringLiteral("d.doc.docx")}) {
        const QString target = m_dir->filePath(name);
        QVERIFY(m_word.SaveAs(target));
        QVERIFY2(DocxPackage(target).IsOpen(), qPrintable(name));
    }
}

void TestAtomicSave::missingFolder() {
    const QString folder = m_dir->filePath(QStringLiteral("nowhere"));
    QVERIFY(!m_word.SaveAs(folder + QStringLiteral("/report.docx")));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("does not exist")), qPrintable(m_messages[0]));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(Entries(m_dir->path()).isEmpty());
}

void TestAtomicSave::targetIsAFolder() {
    const QString target = m_dir->filePath(QStringLiteral("report.docx"));
    QVERIFY(QDir().mkdir(target));
    WriteOld(target + QStringLiteral("/inside.txt"));
    QVERIFY(!m_word.SaveAs(target));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("is a folder")), qPrintable(m_messages[0]));
    QVERIFY(QFileInfo(target).isDir());
    QCOMPARE(Content(target + QStringLiteral("/inside.txt")), kOldContent);
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("report.docx")});
}

void TestAtomicSave::unwritableFolder() {
#ifndef Q_OS_LINUX
    QSKIP("needs Linux's /proc");
#else
    // /proc takes no new files, not even from root: the temporary file cannot be made.
    QVERIFY(!m_word.SaveAs(QStringLiteral("/proc/zolt-report.docx")));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("cannot be saved in the folder")),
             qPrintable(m_messages[0]));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/zolt-report.docx")));
#endif
}

void TestAtomicSave::readOnlyFolder() {
#ifdef Q_OS_WIN
    QSKIP("needs a folder that refuses new files: Windows ignores a folder's read-only attribute, and "
          "denying it by access rights is not enforced under Wine (missingFolder covers the failure path)");
#else
    if (::geteuid() == 0)
        QSKIP(
            "running as root: permission bits do not stop root from writing, so a read-only folder cannot be "
            "made here (the failing-writer and missing-folder cases cover the failure path)");
#endif
    const QString folder = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    const QString target = WriteOld(folder + QStringLiteral("/report.docx"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool saved = m_word.SaveAs(target);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!saved);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("cannot be saved")), qPrintable(m_messages[0]));
    QCOMPARE(Content(target), kOldContent);
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("report.docx")});
}

void TestAtomicSave::failingWriterKeepsOldFile() {
    const QString target = WriteOld(m_dir->filePath(QStringLiteral("report.docx")));
    m_word.SetWriterFactory([](const QString&) { return std::make_unique<FailingWriter>(); });
    QVERIFY(!m_word.SaveAs(target));
    QCOMPARE(m_messages,
             QStringList{QStringLiteral("The Word document could not be written: No space left on device")});
    QCOMPARE(Content(target), kOldContent);
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("report.docx")});

    // A picture that disappears before saving fails the real writer the same way.
    m_word.SetWriterFactory({});
    m_messages.clear();
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString picture = m_dir->filePath(QStringLiteral("p.png"));
    QVERIFY(image.save(picture));
    QVERIFY(m_word.InsertPicture(picture, 20, 20));
    QVERIFY(QFile::remove(picture));
    QVERIFY(!m_word.SaveAs(target));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("p.png")), qPrintable(m_messages[0]));
    QCOMPARE(Content(target), kOldContent);
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("report.docx")});
}

// A save of what one step writes whole (a filled template): the step gets a new path beside the
// target; the target changes only when the step succeeds, and nothing of a failed step is left.
void TestAtomicSave::writingStep_data() {
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("error");
    QTest::newRow("written") << true << QString() << QByteArray("the new report") << QString();
    QTest::newRow("fails part way")
        << false << QStringLiteral("the template \"t.docx\" cannot be used: unknown tag {{x}}") << kOldContent
        << QStringLiteral("the template \"t.docx\" cannot be used: unknown tag {{x}}");
    QTest::newRow("fails without a reason")
        << false << QString() << kOldContent << QStringLiteral("The Word document could not be written.");
}

void TestAtomicSave::writingStep() {
    QFETCH(bool, succeeds);
    QFETCH(QString, reason);
    QFETCH(QByteArray, expected);
    QFETCH(QString, error);
    const QString target = WriteOld(m_dir->filePath(QStringLiteral("report.docx")));
    QString given;
    const auto step = [&](const QString& path, QString* stepError) {
        given = path;
        if (QFileInfo::exists(path)) {
            return false;
        }
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(succeeds ? QByteArray("the new report") : QByteArray("PK\x03\x04 half"));
        *stepError = reason;
        return succeeds;
    };
    Word::AtomicFileSaver saver;
    QString message;
    QCOMPARE(saver.Save(target, step, &message), succeeds);
    QCOMPARE(message, error);
    QCOMPARE(QFileInfo(given).absolutePath(), QFileInfo(target).absolutePath());
    QCOMPARE(Content(target), expected);
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("report.docx")});
}

void TestAtomicSave::pictureChangedBeforeSave_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("change");
    for (const char* name : {"report.docx", "report.doc"}) {
        for (const char* change : {"removed", "grown", "shrunk", "folder"})
            QTest::addRow("%s %s", name, change) << QString::fromLatin1(name) << QString::fromLatin1(change);
    }
}

// Pictures are only checked when inserted and read when saved; a picture that is no longer the file
// that was checked fails the save with its name, and nothing of the new report is left.
void TestAtomicSave::pictureChangedBeforeSave() {
    QFETCH(QString, name);
    QFETCH(QString, change);
    const QString target = WriteOld(m_dir->filePath(name));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QString kept = m_dir->filePath(QStringLiteral("kept.png"));
    const QString changed = m_dir->filePath(QStringLiteral("changed.png"));
    QVERIFY(image.save(kept) && image.save(changed));
    QVERIFY(m_word.InsertPicture(kept, 20, 20));
    QVERIFY(m_word.InsertPicture(changed, 20, 20));
    QFile file(changed);
    if (change == QLatin1String("removed")) {
        QVERIFY(file.remove());
    } else if (change == QLatin1String("grown")) {
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.write("more") == 4);
        file.close();
    } else if (change == QLatin1String("shrunk")) {
        QVERIFY(file.resize(file.size() - 1));
    } else {
        QVERIFY(file.remove() && QDir().mkdir(changed));
    }
    const QStringList before = Entries(m_dir->path());
    QVERIFY(!m_word.SaveAs(target));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("changed.png")) &&
                 m_messages[0].contains(QStringLiteral("is missing or has changed since it was inserted")),
             qPrintable(m_messages[0]));
    QCOMPARE(Content(target), kOldContent);
    QCOMPARE(Entries(m_dir->path()), before);
}

void TestAtomicSave::heldTargetIsRetriedThenKept() {
    const QString target = WriteOld(m_dir->filePath(QStringLiteral("report.docx")));
    HeldTargetSaver saver;
    saver.SetReplaceTimeout(600);
    Word::DocxWriter writer;
    QString error;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!saver.Save(m_word.GetDocument(), target, writer, &error));
    QVERIFY(timer.elapsed() >= 600);
    QCOMPARE(error, QStringLiteral("This user has no right to delete the Word document of the same name."));
    QVERIFY2(saver.tries > 1, "the replacement is retried");
    QVERIFY2(saver.tries < 50, "the retries wait between tries");
    QCOMPARE(Content(target), kOldContent);
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("report.docx")});
}

// What a save killed part way left behind goes with the next save of the same target, but nothing
// that another save could still be writing, and nothing of another target.
void TestAtomicSave::abandonedTemporariesAreRemoved() {
    const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-2 * 3600);
    const auto make = [&](const QString& name, const QDateTime& time) {
        QFile file(m_dir->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PK\x03\x04 cut off");
        QVERIFY(file.flush()); // before the time is set: writing would set it again
        if (time.isValid())
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    };
    make(QStringLiteral(".~report.docx.Ab3xYz"), longAgo);
    make(QStringLiteral(".~report.docx.Qw9rTy"), {});       // a save still running
    make(QStringLiteral(".~other.docx.Ab3xYz"), longAgo);   // another target's
    make(QStringLiteral(".~report.docx.notours"), longAgo); // not a name a save makes
    make(QStringLiteral("report.docx.Ab3xYz"), longAgo);    // the user's own file
    QVERIFY(m_word.SaveAs(m_dir->filePath(QStringLiteral("report.docx"))));
    QStringList expected{QStringLiteral(".~other.docx.Ab3xYz"), QStringLiteral(".~report.docx.Qw9rTy"),
                         QStringLiteral(".~report.docx.notours"), QStringLiteral("report.docx"),
                         QStringLiteral("report.docx.Ab3xYz")};
    expected.sort();
    QCOMPARE(Entries(m_dir->path()), expected);
}

QTEST_GUILESS_MAIN(TestAtomicSave)
#include "tst_atomicsave.moc"
