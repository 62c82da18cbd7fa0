#include "doc/DocPictureWriter.h"
#include "doc/DocWriter.h"
#include "support/DocReader.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Word;

// Pictures are copied into a .doc by two threads: one up to the whole-read limit is read once, a
// larger one is hashed in a first pass and copied in a second, in blocks. Whatever the size and the
// order in which the threads finish, each blip must hold its own file's exact bytes behind the MD4
// digest of those bytes, in the order the document shows them.
class TestDocPictureBlocks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A file that passes for a PNG (the writer looks at its signature only) with random bytes after.
    Picture MakePicture(const QString& name, qint64 size, QByteArray* bytes) {
        *bytes = QByteArray::fromHex("89504E470D0A1A0A");
        QRandomGenerator random{quint32(size)};
        while (bytes->size() < size)
            bytes->append(char(random.bounded(256)));
        bytes->truncate(size);
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != size)
            return {};
        Picture picture;
        picture.sourcePath = path;
        picture.encoding = Picture::Encoding::Png;
        picture.pixelWidth = 100;
        picture.pixelHeight = 50;
        picture.widthPt = 100;
        picture.heightPt = 50;
        picture.fileSize = size;
        return picture;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void blipsHoldTheFilesAtEverySize() {
        const qint64 whole = DocPictureWriter::kWholeReadLimit;
        const qint64 block = 256 * 1024;
        const QList<qint64> sizes{
            9, 1000, block - 1, 17, whole - 1, whole, 8, whole + 1, whole + 2 * block + 17, 12, 64};
        Document doc;
        Paragraph paragraph;
        std::vector<QByteArray> contents;
        for (qint64 size : sizes) {
            QByteArray bytes;
            doc.pictures.push_back(MakePicture(QStringLiteral("p%1.png").arg(size), size, &bytes));
            QVERIFY(!doc.pictures.back().sourcePath.isEmpty());
            paragraph.runs.push_back(Run{QString(), CharFormat{}, int(doc.pictures.size()) - 1});
            contents.push_back(bytes);
        }
        doc.body.push_back(paragraph);

        const QString path = m_dir.filePath(QStringLiteral("blocks.doc"));
        QString error;
        QVERIFY2(DocWriter().WriteFile(doc, path, &error), qPrintable(error));
        DocReader inspector;
        QVERIFY2(inspector.Load(path), qPrintable(inspector.Problems().join(QLatin1Char('\n'))));
        QCOMPARE(inspector.Pictures().size(), contents.size());
        const QByteArray data = inspector.Stream(QStringLiteral("Data"));
        for (std::size_t i = 0; i < contents.size(); ++i) {
            QCOMPARE(inspector.Pictures()[i].blipData.size(), contents[i].size());
            QVERIFY2(inspector.Pictures()[i].blipData == contents[i], qPrintable(QString::number(sizes[i])));
            const QByteArray uid = QCryptographicHash::hash(contents[i], QCryptographicHash::Md4);
            QVERIFY2(data.contains(uid + char(0xFF) + contents[i]), qPrintable(QString::number(sizes[i])));
        }
    }
};

QTEST_GUILESS_MAIN(TestDocPictureBlocks)
#include "tst_docpictureblocks.moc"
