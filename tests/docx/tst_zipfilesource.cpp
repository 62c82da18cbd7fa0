#include "docx/ZipFileSource.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <memory>

using namespace Word;

// Files read into a package as libzip closes it: read whole, in blocks or not at all, and a file
// that is not what it was when it was added fails the package with its own words.
class TestZipFileSource : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString WriteFile(const QString& name, qsizetype size, quint32 seed) {
        QRandomGenerator random{seed};
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.bounded(256));
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size)
            return {};
        return file.fileName();
    }

    static QByteArray Content(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QByteArray Entry(zip_t* zip, const char* name) {
        zip_file_t* file = zip_fopen(zip, name, 0);
        if (file == nullptr)
            return {};
        QByteArray bytes;
        char block[8192];
        for (zip_int64_t count; (count = zip_fread(file, block, sizeof block)) > 0;)
            bytes.append(block, count);
        zip_fclose(file);
        return bytes;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void filesComeOutWhole() {
        // Smaller than one read-ahead block, and several blocks long.
        const QString small = WriteFile(QStringLiteral("small.png"), 17 * 1024 + 3, 1);
        const QString large = WriteFile(QStringLiteral("large.png"), 600 * 1024 + 7, 2);
        const QString text = WriteFile(QStringLiteral("text.xml"), 5000, 3);
        const QString package = m_dir.filePath(QStringLiteral("whole.zip"));
        int error = 0;
        zip_t* zip = zip_open(QFile::encodeName(package).constData(), ZIP_CREATE | ZIP_EXCL, &error);
        QVERIFY(zip != nullptr);
        ZipFileSource smallSource(small, 17 * 1024 + 3);
        ZipFileSource largeSource(large, 600 * 1024 + 7);
        bool asked = false;
        ZipFileSource textSource(text, [&](qint64* size, QString*) {
            asked = true;
            *size = 5000;
            return true;
        });
        QVERIFY(zip_file_add(zip, "small", smallSource.CreateSource(zip), 0) == 0);
        QVERIFY(zip_file_add(zip, "large", largeSource.CreateSource(zip), 0) == 1);
        QVERIFY(zip_file_add(zip, "text", textSource.CreateSource(zip), 0) == 2);
        QVERIFY(!asked); // a preparation waits until libzip needs the file
        QVERIFY2(zip_close(zip) == 0, zip_strerror(zip));
        QVERIFY(asked);

        zip_t* check = zip_open(QFile::encodeName(package).constData(), ZIP_CHECKCONS | ZIP_RDONLY, &error);
        QVERIFY(check != nullptr);
        QCOMPARE(Entry(check, "small"), Content(small));
        QCOMPARE(Entry(check, "large"), Content(large));
        QCOMPARE(Entry(check, "text"), Content(text));
        zip_discard(check);
    }

    void failedPreparationSaysWhy() {
        const QString text = WriteFile(QStringLiteral("unfinished.xml"), 100, 4);
        int error = 0;
        zip_t* zip = zip_open(QFile::encodeName(m_dir.filePath(QStringLiteral("failed.zip"))).constData(),
                              ZIP_CREATE | ZIP_EXCL, &error);
        QVERIFY(zip != nullptr);
        ZipFileSource source(text, [](qint64*, QString* why) {
            *why = QStringLiteral("no room for the document text");
            return false;
        });
        QVERIFY(zip_file_add(zip, "text", source.CreateSource(zip), 0) == 0);
        QVERIFY(zip_close(zip) != 0);
        QCOMPARE(source.Failure(), QStringLiteral("no room for the document text"));
        zip_discard(zip);
    }

    void fileCutWhileReadIsNoticed() {
        const qint64 size = 300 * 1024;
        const QString picture = WriteFile(QStringLiteral("cut.png"), size, 5);
        int error = 0;
        zip_t* zip = zip_open(QFile::encodeName(m_dir.filePath(QStringLiteral("cut.zip"))).constData(),
                              ZIP_CREATE | ZIP_EXCL, &error);
        QVERIFY(zip != nullptr);
        ZipFileSource source(picture, size);
        zip_source_t* reader = source.CreateSource(zip);
        QVERIFY(zip_source_open(reader) == 0);
        QVERIFY(QFile::resize(picture, size / 2)); // after it was opened with its full size
        char block[8192];
        zip_int64_t count = 0;
        qint64 total = 0;
        while ((count = zip_source_read(reader, block, sizeof block)) > 0)
            total += count;
        QCOMPARE(count, zip_int64_t(-1));
        QVERIFY(total < size);
        QVERIFY2(source.Failure().contains(QStringLiteral("changed while the document was written")),
                 qPrintable(source.Failure()));
        zip_source_close(reader);
        zip_source_free(reader);
        zip_discard(zip);
    }
};

QTEST_GUILESS_MAIN(TestZipFileSource)
#include "tst_zipfilesource.moc"
