#include "DemoDataSet.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "support/DemoDataSets.h"

#include <sqlite3.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Table {
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    bool ok = false;

    Table(Common::CNkSQLiteOper& db, const char* name) { ok = db.QueryTable(name, &result, &rows, &columns); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    ~Table() { sqlite3_free_table(result); }

    const char* Raw(int row, int column) const {
        return column < columns ? result[(row + 1) * columns + column] : nullptr;
    }
    QString Text(int row, int column) const { return QString::fromUtf8(Raw(row, column)); }
};

QString Generate(const QString& outDir, int records, const QString& format, quint32 seed = 1,
                 const QString& name = DemoDataSet::DefaultName(), bool instrument = false) {
    DemoDataSet::Options options;
    options.outDir = outDir;
    options.name = name;
    options.records = records;
    options.format = format;
    options.seed = seed;
    options.instrument = instrument;
    QString folder;
    QString error;
    if (!DemoDataSet::Generate(options, &folder, &error)) {
        qWarning("%s", qPrintable(error));
    }
    return folder;
}

QProcess* RunTool(const QStringList& arguments) {
    auto* process = new QProcess;
    process->start(qEnvironmentVariable("ZOLT_DEMO_DATA"), arguments);
    process->waitForFinished(60000);
    return process;
}

} // namespace

class TestDemoData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void completeDataSet_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("records");
        QTest::newRow("png") << "png" << 12;
        QTest::newRow("jpg") << "jpg" << 3;
        QTest::newRow("bmp") << "bmp" << 2;
        QTest::newRow("no records") << "png" << 0;
    }
    void completeDataSet() {
        QFETCH(QString, format);
        QFETCH(int, records);
        QTemporaryDir out;
        const QString folder = Generate(out.path(), records, format);
        QCOMPARE(folder, out.path() + "/" + DemoDataSet::DefaultName());

        Common::CNkSQLiteOper db;
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(folder)));
        const QString units[] = {"mV", "dB", "pC"};
        const QByteArray qtFormat = format == "jpg" ? "jpeg" : format.toLatin1();
        int pictures = 0;
        for (int method = 0; method < 3; ++method) {
            const Table table(db, CDataSetLayout::RecordTable(method));
            QVERIFY(table.ok);
            QCOMPARE(table.rows, records);
            if (records == 0) {
                continue;
            }
            const auto columns = CDataSetLayout::Columns(method);
            QVERIFY(table.columns >= columns.MinimumColumns());
            QCOMPARE(table.Text(-1, 0), QString("序号"));
            const QString pictureFolder = CDataSetLayout::PictureFolder(folder, method);
            for (int row = 0; row < records; ++row) {
                bool isNumber = false;
                QVERIFY(table.Text(row, columns.nValueFirst).toDouble(&isNumber) > 0 && isNumber);
                QCOMPARE(table.Text(row, columns.nValueSecond), units[method]);
                const auto refs = CDataSetLayout::GatherRecord(
                    method, pictureFolder, [&](int column) { return table.Text(row, column); });
                for (const QString& picture : {refs.strPicture1, refs.strPicture2, refs.strPicture3}) {
                    QVERIFY2(picture.endsWith("." + format), qPrintable(picture));
                    QImageReader reader(picture);
                    QCOMPARE(reader.format(), qtFormat);
                    QCOMPARE(reader.size(), QSize(400, 300));
                    ++pictures;
                }
            }
            // Nothing but the pictures the records name.
            QCOMPARE(QDir(pictureFolder).entryList(QDir::Files).size(), 3 * records);
        }
        QCOMPARE(pictures, 9 * records);
        // Decoding one fully, to be sure the bytes are a whole image.
        if (records > 0) {
            const Table table(db, "AE_RECORD");
            QImage image(
                CDataSetLayout::PicturePath(CDataSetLayout::PictureFolder(folder, 0), table.Text(0, 16)));
            QVERIFY(!image.isNull());
        }
    }

    void sameSeedSameBytes() {
        QTemporaryDir a;
        QTemporaryDir b;
        QTemporaryDir c;
        const auto first = DemoDataSets::Snapshot(Generate(a.path(), 10, "png", 7));
        const auto second = DemoDataSets::Snapshot(Generate(b.path(), 10, "png", 7));
        const auto other = DemoDataSets::Snapshot(Generate(c.path(), 10, "png", 8));
        QVERIFY(first.size() > 30);
        QCOMPARE(first, second);
        const QString database = DemoDataSet::DefaultName() + ".db3";
        QVERIFY(first.value(database) != other.value(database));

        // Instrument screenshots, what the benchmark's large set is made of: as repeatable, at
        // least 360 x 270, and 100 to 150 KB each. The Windows build packs PNG with Qt's own zlib
        // and draws the plots' text in other fonts, which makes the smallest a few KB smaller.
#ifdef Q_OS_WIN
        constexpr int kSmallest = 90 * 1024;
#else
        constexpr int kSmallest = 100 * 1024;
#endif
        QTemporaryDir d;
        QTemporaryDir e;
        const QString name = DemoDataSet::DefaultName();
        const QString screens = Generate(d.path(), 3, "png", 7, name, true);
        QCOMPARE(DemoDataSets::Snapshot(screens),
                 DemoDataSets::Snapshot(Generate(e.path(), 3, "png", 7, name, true)));
        int pictures = 0;
        QDirIterator it(screens, {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            ++pictures;
            QVERIFY2(bytes.size() >= kSmallest && bytes.size() <= 150 * 1024,
                     qPrintable(QStringLiteral("%1: %2 bytes").arg(file.fileName()).arg(bytes.size())));
            const QImage image = QImage::fromData(bytes, "PNG");
            QVERIFY(image.width() >= 360 && image.height() >= 270);
        }
        QCOMPARE(pictures, 27);
    }

    void commandLine() {
        if (qEnvironmentVariableIsEmpty("ZOLT_DEMO_DATA")) {
            QSKIP("ZOLT_DEMO_DATA does not name the zolt-demo-data program (run through ctest)");
        }
        QTemporaryDir out;
        std::unique_ptr<QProcess> made(RunTool({out.path(), "--records", "2", "--seed", "3"}));
        QCOMPARE(made->exitCode(), 0);
        const QString folder = QString::fromUtf8(made->readAllStandardOutput()).trimmed();
        QCOMPARE(folder, out.path() + "/" + DemoDataSet::DefaultName());
        const auto snapshot = DemoDataSets::Snapshot(folder);
        QCOMPARE(snapshot, DemoDataSets::Snapshot(Generate(m_dir.path(), 2, "png", 3)));

        // An existing data set is only replaced on request, and only what the tool writes.
        std::unique_ptr<QProcess> again(RunTool({out.path(), "--records", "2", "--seed", "3"}));
        QCOMPARE(again->exitCode(), 1);
        QVERIFY(!again->readAllStandardError().isEmpty());
        QFile notes(folder + "/notes.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();
        std::unique_ptr<QProcess> replaced(
            RunTool({out.path(), "--records", "1", "--format", "jpg", "--force"}));
        QCOMPARE(replaced->exitCode(), 0);
        QVERIFY(QFile::exists(folder + "/notes.txt"));
        QCOMPARE(QDir(CDataSetLayout::PictureFolder(folder, 2)).entryList(QDir::Files).size(), 3);

        std::unique_ptr<QProcess> named(
            RunTool({out.path(), "--name", DemoDataSets::AwkwardName(), "--records", "1"}));
        QCOMPARE(named->exitCode(), 0);
        QVERIFY(QFile::exists(CDataSetLayout::DatabasePath(out.path() + "/" + DemoDataSets::AwkwardName())));

        const QList<QStringList> misuse{{},
                                        {out.path(), "--format", "gif"},
                                        {out.path(), "--records", "-1"},
                                        {out.path(), "--records", "many"},
                                        {out.path(), "--seed", "-3"},
                                        {out.path(), out.path()}};
        for (const QStringList& arguments : misuse) {
            std::unique_ptr<QProcess> failed(RunTool(arguments));
            QVERIFY2(failed->exitCode() == 2, qPrintable(arguments.join(' ')));
        }
    }

    // The hostile data sets are what other tests rely on: check that each holds its fault.
    void hostileSets() {
        const QString parent = m_dir.path();
        Common::CNkSQLiteOper db;
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::NullCells(parent))));
        {
            const Table table(db, "TEV_RECORD");
            QVERIFY(table.Raw(0, 6) == nullptr && table.Raw(0, 11) == nullptr && table.Raw(0, 10) != nullptr);
            for (int column = 0; column < table.columns; ++column) {
                QVERIFY(table.Raw(1, column) == nullptr);
            }
        }
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::ShortRows(parent))));
        for (int method = 0; method < 3; ++method) {
            const Table table(db, CDataSetLayout::RecordTable(method));
            QCOMPARE(table.columns, QList<int>({8, 10, 12}).at(method));
            QCOMPARE(table.rows, 3);
        }
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::MalformedUtf8(parent))));
        {
            const Table table(db, "AE_RECORD");
            QCOMPARE(QByteArray(table.Raw(0, 1)), QByteArray("A\xFF\xFE"
                                                             "B"));
            QCOMPARE(QByteArray(table.Raw(0, 6)), QByteArray("12.\xC3"));
            QCOMPARE(QByteArray(table.Raw(-1, 19)),
                     QStringLiteral("备").toUtf8() + "\xFF" + QStringLiteral("注").toUtf8());
        }
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::SpecialCharacters(parent))));
        {
            const Table table(db, "HFCT_RECORD");
            QCOMPARE(table.Text(0, 1), DemoDataSets::SpecialText());
            QCOMPARE(table.Text(1, 3), DemoDataSets::ControlText());
            QCOMPARE(table.Text(0, 9), QString("\"dB\"'"));
        }
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::LongCells(parent))));
        {
            const Table table(db, "AE_RECORD");
            QCOMPARE(table.Text(0, 1), QString(10000, QChar(0x957F)));
            QCOMPARE(table.Text(0, 16).size(), 10000);
        }
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::MissingTable(parent))));
        QVERIFY(!Table(db, "AE_RECORD").ok);
        QCOMPARE(Table(db, "TEV_RECORD").rows, 3);
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(DemoDataSets::EmptyTable(parent))));
        QVERIFY(Table(db, "AE_RECORD").ok);
        QCOMPARE(Table(db, "AE_RECORD").columns, 0);

        const QString bad = DemoDataSets::BadPictures(parent);
        QVERIFY(db.OpenReadOnly(CDataSetLayout::DatabasePath(bad)));
        {
            const Table table(db, "TEV_RECORD");
            auto picture = [&](int row) {
                return CDataSetLayout::PicturePath(CDataSetLayout::PictureFolder(bad, 1),
                                                   table.Text(row, 10));
            };
            QVERIFY(!QImage(picture(DemoDataSets::kGoodPicture)).isNull());
            QVERIFY(!QFile::exists(picture(DemoDataSets::kMissingPicture)));
            QVERIFY(QImage(picture(DemoDataSets::kTextPicture)).isNull());
            QCOMPARE(QFileInfo(picture(DemoDataSets::kZeroBytePicture)).size(), 0);
            QCOMPARE(QImageReader(picture(DemoDataSets::kJpegNamedPng)).format(), QByteArray("jpeg"));
            QVERIFY(QImageReader(picture(DemoDataSets::kCutPng)).read().isNull());
        }
        db.Close();

        // The journal holds records the main file lacks: the main file alone has half of them.
        const QString wal = DemoDataSets::WalPending(parent, false);
        const QString database = CDataSetLayout::DatabasePath(wal);
        QVERIFY(QFileInfo(database + "-wal").size() > 0);
        QVERIFY(!QFile::exists(database + "-shm"));
        QVERIFY(QDir().mkpath(parent + "/main only"));
        QVERIFY(QFile::copy(database, parent + "/main only/x.db3"));
        QVERIFY(db.OpenReadOnly(parent + "/main only/x.db3"));
        QCOMPARE(Table(db, "AE_RECORD").rows, 3);
        QVERIFY(db.OpenReadOnly(database));
        QCOMPARE(Table(db, "AE_RECORD").rows, 6);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDemoData)
#include "tst_demodata.moc"
