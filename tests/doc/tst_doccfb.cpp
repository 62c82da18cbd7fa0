#include "doc/CfbWriter.h"
#include "support/DocReader.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using Word::CfbWriter;

namespace {

QByteArray Pattern(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(rng.generate() & 0xFF);
    return bytes;
}

} // namespace

class TestDocCfb : public QObject {
    Q_OBJECT

private:
    QByteArray WriteStreams(const std::vector<std::pair<QString, QByteArray>>& streams, qsizetype chunk = 0) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        CfbWriter writer(&buffer);
        for (const auto& [name, data] : streams) {
            if (chunk <= 0) {
                if (!writer.AddStream(name, data))
                    return {};
                continue;
            }
            if (!writer.BeginStream(name))
                return {};
            for (qsizetype at = 0; at < data.size(); at += chunk) {
                if (!writer.Write(data.mid(at, chunk)))
                    return {};
            }
            if (!writer.EndStream())
                return {};
        }
        if (!writer.Finish())
            return {};
        return buffer.data();
    }

private slots:
    // Sizes around the mini stream cutoff and the sector size, written whole and in odd pieces;
    // large pieces go to the device directly, small ones are gathered, and every way of cutting the
    // streams gives the same file.
    void streamsRoundTripAroundTheCutoffs() {
        const std::vector<qsizetype> sizes = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 70001, 2500007};
        std::vector<std::pair<QString, QByteArray>> streams;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            streams.emplace_back(QStringLiteral("S%1").arg(i), Pattern(sizes[i], static_cast<quint32>(i)));
        const QByteArray whole = WriteStreams(streams);
        for (qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(333), qsizetype(5000), qsizetype(65536),
                                qsizetype(65537), qsizetype(1100001)}) {
            const QByteArray file = WriteStreams(streams, chunk);
            QVERIFY(!file.isEmpty());
            QCOMPARE(file, whole);
            DocReader inspector;
            QVERIFY2(inspector.LoadBytes(file), qPrintable(inspector.Problems().join('\n')));
            for (const auto& [name, data] : streams)
                QCOMPARE(inspector.Stream(name), data);
        }
    }

    void rootCarriesTheClassId() {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        CfbWriter writer(&buffer);
        const QByteArray clsid = QByteArray::fromHex("0609020000000000C000000000000046");
        writer.SetRootClassId(clsid);
        QVERIFY(writer.AddStream(QStringLiteral("A"), QByteArray("x")));
        QVERIFY(writer.Finish());
        DocReader inspector;
        QVERIFY(inspector.LoadBytes(buffer.data()));
        QCOMPARE(inspector.RootClassId(), clsid);
    }

    // The inspector checks search order, red-black rules and reachability of every entry.
    void directoryTreeIsValidForAnyNumberOfStreams() {
        for (int count = 1; count <= 24; ++count) {
            std::vector<std::pair<QString, QByteArray>> streams;
            QRandomGenerator rng(static_cast<quint32>(count));
            for (int i = 0; i < count; ++i) {
                QString name = QStringLiteral("n%1").arg(i);
                name += QString(static_cast<int>(rng.bounded(6)), QChar(i % 2 ? 'a' : 'B'));
                streams.emplace_back(name, QByteArray(i * 100, 'x'));
            }
            const QByteArray file = WriteStreams(streams);
            DocReader inspector;
            QVERIFY2(inspector.LoadBytes(file),
                     qPrintable(QString::number(count) + ": " + inspector.Problems().join('\n')));
            QCOMPARE(inspector.StreamNames().size(), count);
        }
    }

    void namesCompareByLengthThenCaseInsensitively() {
        const std::vector<std::pair<QString, QByteArray>> streams = {
            {QStringLiteral("WordDoc"), QByteArray("w")},
            {QStringLiteral("1Table"), QByteArray("t")},
            {QStringLiteral("Data"), QByteArray("d")},
            {QStringLiteral("\001CompObj"), QByteArray("c")},
            {QStringLiteral("data2"), QByteArray("e")},
            {QStringLiteral("\005SummaryInformation"), QByteArray("s")}};
        DocReader inspector;
        QVERIFY2(inspector.LoadBytes(WriteStreams(streams)), qPrintable(inspector.Problems().join('\n')));
        QCOMPARE(inspector.Stream(QStringLiteral("\001CompObj")), QByteArray("c"));
    }

    // Past 109 FAT sectors (about 7 MB) the FAT is listed in DIFAT sectors; two of them are needed
    // past 236 FAT sectors.
    void largeFilesUseDifatSectors() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("big.cfb"));
        const qsizetype size = 16 * 1024 * 1024 + 12345;
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            CfbWriter writer(&file);
            QVERIFY(writer.AddStream(QStringLiteral("small"), QByteArray(100, 's')));
            QVERIFY(writer.BeginStream(QStringLiteral("big")));
            const QByteArray block = Pattern(1 << 20, 7);
            for (qsizetype at = 0; at < size; at += block.size()) {
                QVERIFY(writer.Write(block.left(qMin<qsizetype>(block.size(), size - at))));
                QCOMPARE(writer.StreamPosition(), qMin<qsizetype>(at + block.size(), size));
            }
            QVERIFY(writer.EndStream());
            QVERIFY(writer.Finish());
        }
        DocReader inspector;
        QVERIFY2(inspector.Load(path), qPrintable(inspector.Problems().join('\n')));
        QCOMPARE(inspector.DifatSectorCount(), 2u);
        QVERIFY(inspector.FatSectorCount() > 236);
        const QByteArray big = inspector.Stream(QStringLiteral("big"));
        QCOMPARE(big.size(), size);
        const QByteArray block = Pattern(1 << 20, 7);
        QCOMPARE(big.left(block.size()), block);
        QCOMPARE(big.right(12345), block.left(12345));
        QCOMPARE(inspector.Stream(QStringLiteral("small")), QByteArray(100, 's'));
    }

    void misuseIsReportedNotWritten() {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        {
            CfbWriter writer(&buffer);
            QVERIFY(!writer.Write(QByteArray("x")));
            QVERIFY(!writer.ErrorString().isEmpty());
        }
        {
            CfbWriter writer(&buffer);
            QVERIFY(writer.AddStream(QStringLiteral("Data"), QByteArray("1")));
            QVERIFY(!writer.AddStream(QStringLiteral("DATA"), QByteArray("2")));
            QVERIFY(!writer.Finish());
        }
        {
            CfbWriter writer(&buffer);
            QVERIFY(!writer.BeginStream(QString(32, 'n')));
        }
        {
            CfbWriter writer(&buffer);
            QVERIFY(writer.BeginStream(QStringLiteral("open")));
            QVERIFY(!writer.Finish());
        }
    }

    void deviceErrorsSurface() {
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        CfbWriter writer(&readOnly);
        QVERIFY(!writer.AddStream(QStringLiteral("A"), QByteArray(5000, 'a')));
        QVERIFY(!writer.Finish());
        QVERIFY(!writer.ErrorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDocCfb)
#include "tst_doccfb.moc"
