#include "docx/ZipFileSink.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <deque>

using namespace Word;

// The archive output used for .docx packages: entries that end inside the buffer, that straddle
// it and that are larger than it all come out whole, with headers libzip can check.
class TestZipFileSink : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QByteArray Random(qsizetype size, quint32 seed) {
        QRandomGenerator random{seed};
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.bounded(256));
        return bytes;
    }

    // Writes the entries (stored, or deflated where `deflate` says so) through a sink; false and
    // libzip's message when the archive could not be written.
    static bool WriteArchive(const QString& path, const std::deque<QByteArray>& entries, bool deflate,
                             QString* message) {
        ZipFileSink sink(path);
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = sink.CreateSource(&error);
        zip_t* zip = source ? zip_open_from_source(source, ZIP_CREATE | ZIP_EXCL, &error) : nullptr;
        if (zip == nullptr) {
            *message = QString::fromLocal8Bit(zip_error_strerror(&error));
            if (source)
                zip_source_free(source);
            zip_error_fini(&error);
            return false;
        }
        zip_error_fini(&error);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            zip_source_t* data =
                zip_source_buffer(zip, entries[i].constData(), zip_uint64_t(entries[i].size()), 0);
            const zip_int64_t index = zip_file_add(zip, qPrintable(QStringLiteral("e%1").arg(i)), data, 0);
            if (index < 0 || zip_set_file_compression(zip, zip_uint64_t(index),
                                                      deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) != 0) {
                *message = QString::fromLocal8Bit(zip_strerror(zip));
                zip_discard(zip);
                return false;
            }
        }
        if (zip_close(zip) != 0) {
            *message = QString::fromLocal8Bit(zip_strerror(zip));
            zip_discard(zip);
            return false;
        }
        return true;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void entriesOfEverySizeComeOutWhole() {
        const qsizetype mib = 1 << 20;
        for (bool deflate : {false, true}) {
            std::deque<QByteArray> entries;
            quint32 seed = 1;
            for (qsizetype size : {qsizetype(0), qsizetype(10), mib / 2, mib / 2, mib - 30, mib, mib + 1,
                                   3 * mib + 5, qsizetype(100)})
                entries.push_back(deflate ? QByteArray(size, 'z') : Random(size, seed++));
            const QString path = m_dir.filePath(deflate ? QStringLiteral("d.zip") : QStringLiteral("s.zip"));
            QString message;
            QVERIFY2(WriteArchive(path, entries, deflate, &message), qPrintable(message));

            int code = 0;
            zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
            QVERIFY2(zip != nullptr, qPrintable(QString::number(code)));
            QCOMPARE(zip_get_num_entries(zip, 0), zip_int64_t(entries.size()));
            for (std::size_t i = 0; i < entries.size(); ++i) {
                zip_stat_t stat;
                QCOMPARE(zip_stat_index(zip, i, 0, &stat), 0);
                QCOMPARE(stat.size, zip_uint64_t(entries[i].size()));
                QByteArray read(entries[i].size(), Qt::Uninitialized);
                zip_file_t* file = zip_fopen_index(zip, i, 0);
                QVERIFY(file != nullptr);
                // Reading to the end makes libzip compare the CRC from the header with the data's.
                QCOMPARE(zip_fread(file, read.data(), zip_uint64_t(read.size())), zip_int64_t(read.size()));
                char extra = 0;
                QCOMPARE(zip_fread(file, &extra, 1), zip_int64_t(0));
                QCOMPARE(zip_fclose(file), 0);
                QVERIFY2(read == entries[i], qPrintable(QStringLiteral("entry %1").arg(i)));
            }
            zip_discard(zip);
        }
    }

    // The file must not exist yet, and a failed write leaves nothing behind.
    void existingFilesAndFailuresLeaveNoArchive() {
        const QString existing = m_dir.filePath(QStringLiteral("existing.zip"));
        {
            QFile file(existing);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep");
        }
        QString message;
        QVERIFY(!WriteArchive(existing, {QByteArray("x")}, false, &message));
        QVERIFY(!message.isEmpty());
        QFile kept(existing);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep"));

        const QString nowhere = m_dir.filePath(QStringLiteral("no/such/folder/a.zip"));
        message.clear();
        QVERIFY(!WriteArchive(nowhere, {QByteArray("x")}, false, &message));
        QVERIFY(!message.isEmpty());
        QVERIFY(!QFile::exists(nowhere));
    }
};

QTEST_GUILESS_MAIN(TestZipFileSink)
#include "tst_zipfilesink.moc"
