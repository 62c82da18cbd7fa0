// The .docx writer passes the document text through a temporary file; when none can be made the
// save fails plainly and leaves nothing at the target, and otherwise no temporary file remains.

#include "docx/DocxWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Word;

namespace {

// Where QDir::tempPath() looks: GetTempPath reads TMP first on Windows.
#ifdef Q_OS_WIN
const char* const kTemporaryFolderVariable = "TMP";
#else
const char* const kTemporaryFolderVariable = "TMPDIR";
#endif

} // namespace

class TestDocxTextFile : public QObject {
    Q_OBJECT

    static Document OneParagraph() {
        Document document;
        Paragraph paragraph;
        paragraph.runs.push_back(Run{QStringLiteral("检测数据"), CharFormat{}, -1});
        document.body.push_back(paragraph);
        return document;
    }

private slots:
    void temporaryFolderIsLeftClean() {
        QTemporaryDir out, temporary;
        QVERIFY(out.isValid() && temporary.isValid());
        const QByteArray saved = qgetenv(kTemporaryFolderVariable);
        qputenv(kTemporaryFolderVariable, QFile::encodeName(temporary.path()));
        QString error;
        const bool written =
            DocxWriter().WriteFile(OneParagraph(), out.filePath(QStringLiteral("a.docx")), &error);
        qputenv(kTemporaryFolderVariable, saved);
        QVERIFY2(written, qPrintable(error));
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("a.docx"))));
        QCOMPARE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void noTemporaryFileMeansNoReport() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        // A temporary folder that is a file: no file can be made in it, not even by root.
        const QString notAFolder = out.filePath(QStringLiteral("not-a-folder"));
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QByteArray saved = qgetenv(kTemporaryFolderVariable);
        qputenv(kTemporaryFolderVariable, QFile::encodeName(notAFolder));
        QString error;
        const bool written =
            DocxWriter().WriteFile(OneParagraph(), out.filePath(QStringLiteral("b.docx")), &error);
        qputenv(kTemporaryFolderVariable, saved);
        QVERIFY(!written);
        QVERIFY2(error.startsWith(QStringLiteral("The Word document could not be written")),
                 qPrintable(error));
        QVERIFY(!QFile::exists(out.filePath(QStringLiteral("b.docx"))));
    }
};

QTEST_GUILESS_MAIN(TestDocxTextFile)
#include "tst_docxtextfile.moc"
