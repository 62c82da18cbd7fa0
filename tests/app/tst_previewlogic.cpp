// The preview's parts that need no window: the picture loader with its cache, and the cursor
// that keeps the previewed record and its tick in step with the record list's model.

#include "app/CRecordListModel.h"
#include "app/CRecordPreviewCursor.h"
#include "app/CRecordPreviewLoader.h"
#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "support/DemoDataSets.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using State = CRecordPreviewLoader::State;

QString WriteImage(const QString& folder, const QString& name, const QSize& size,
                   const char* format = "PNG") {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(qHash(name) % 360, 200, 200));
    const QString path = folder + QLatin1Char('/') + name;
    return image.save(path, format) ? path : QString();
}

QString WriteBytes(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// Fills a model with a record table of a data set, as the main window does.
bool Load(CRecordListModel& model, const QString& folder, int method) {
    Common::CNkSQLiteOper db;
    if (!db.OpenReadOnly(CDataSetLayout::DatabasePath(folder))) {
        return false;
    }
    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    if (!db.QueryTable(CDataSetLayout::RecordTable(method), &result, &rows, &columns)) {
        return false;
    }
    model.SetResultTable(result, rows, columns);
    return true;
}

} // namespace

class TestPreviewLogic : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_data; // 6 records per table

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("预览 逻辑"), 6);
        QVERIFY(!m_data.isEmpty());
    }

    // ---- Loader ----

    void loaderDecodesInTheBackgroundAndKnowsFailures() {
        QTemporaryDir dir;
        const QString png = WriteImage(dir.path(), QStringLiteral("a.png"), QSize(400, 300));
        const QString jpegNamedPng = WriteImage(dir.path(), QStringLiteral("b.png"), QSize(200, 100), "JPEG");
        const QString text = WriteBytes(dir.path(), QStringLiteral("c.png"), "just text\n");
        const QString empty = WriteBytes(dir.path(), QStringLiteral("d.png"), QByteArray());
        const QString missing = dir.filePath(QStringLiteral("none.png"));
        const QString noName = dir.path() + QLatin1Char('/'); // a record without a file name
        QVERIFY(!png.isEmpty() && !jpegNamedPng.isEmpty() && !text.isEmpty() && !empty.isEmpty());

        CRecordPreviewLoader loader;
        QSignalSpy ready(&loader, &CRecordPreviewLoader::PictureReady);
        const QStringList all = {png, jpegNamedPng, text, empty, missing, noName};
        loader.Want(all);
        // Want only queues: nothing is known before the event loop delivers the results.
        QVERIFY(!loader.Cached(png).has_value());
        QTRY_COMPARE(ready.count(), all.size());

        QCOMPARE(loader.Cached(png)->state, State::Ready);
        QCOMPARE(loader.Cached(png)->image.size(), QSize(400, 300));
        QCOMPARE(loader.Cached(jpegNamedPng)->state, State::Ready);
        QCOMPARE(loader.Cached(jpegNamedPng)->image.size(), QSize(200, 100));
        for (const QString& path : {text, empty}) {
            QCOMPARE(loader.Cached(path)->state, State::Unreadable);
            QVERIFY(loader.Cached(path)->image.isNull());
        }
        QCOMPARE(loader.Cached(missing)->state, State::Missing);
        QCOMPARE(loader.Cached(noName)->state, State::Missing);
        QCOMPARE(loader.DecodeCount(), all.size());

        // Known pictures, failures included, are not read again.
        loader.Want(all);
        QTest::qWait(50);
        QCOMPARE(loader.DecodeCount(), all.size());
        QCOMPARE(ready.count(), all.size());
    }

    void largePicturesAreDecodedScaledDown() {
        QTemporaryDir dir;
        const QString wide = WriteImage(dir.path(), QStringLiteral("wide.png"), QSize(4000, 1000));
        const CRecordPreviewLoader::Picture picture = CRecordPreviewLoader::Decode(wide);
        QCOMPARE(picture.state, State::Ready);
        QCOMPARE(picture.image.size(), QSize(1600, 400));
    }

    void picturesNoLongerWantedAreDropped() {
        QTemporaryDir dir;
        QStringList paths;
        for (int i = 0; i < 40; ++i) {
            paths << WriteImage(dir.path(), QStringLiteral("%1.png").arg(i), QSize(1200, 900));
            QVERIFY(!paths.last().isEmpty());
        }
        CRecordPreviewLoader loader(nullptr, 1);
        loader.Want(paths);
        loader.Want({paths.last()}); // the user stepped on before the first ones were read
        QTRY_VERIFY(loader.Cached(paths.last()).has_value());
        QTest::qWait(100);
        // At most the picture being read when the wish changed, and the one still wanted.
        QVERIFY2(loader.DecodeCount() <= 3, qPrintable(QString::number(loader.DecodeCount())));

        loader.Want({});
        QTest::qWait(50);
        QVERIFY(loader.DecodeCount() <= 3);
    }

    void cacheIsBoundedAndKeepsTheLatest() {
        QTemporaryDir dir;
        QStringList paths;
        for (int i = 0; i < 10; ++i) {
            paths << WriteImage(dir.path(), QStringLiteral("%1.png").arg(i),
                                QSize(400, 300)); // ~470 KiB each
        }
        CRecordPreviewLoader loader(nullptr, 2, 2 << 20);
        for (const QString& path : paths) {
            loader.Want({path});
            QTRY_VERIFY(loader.Cached(path).has_value());
        }
        int cached = 0;
        for (const QString& path : paths) {
            cached += loader.Cached(path).has_value() ? 1 : 0;
        }
        QVERIFY2(cached >= 1 && cached <= 5, qPrintable(QString::number(cached)));
        QVERIFY(loader.Cached(paths.last()).has_value());
    }

    void destroyingTheLoaderWithWorkPendingIsSafe() {
        QTemporaryDir dir;
        QStringList paths;
        for (int i = 0; i < 12; ++i) {
            paths << WriteImage(dir.path(), QStringLiteral("%1.png").arg(i), QSize(1600, 1200));
        }
        int delivered = 0;
        {
            auto loader = std::make_unique<CRecordPreviewLoader>(nullptr, 2);
            connect(loader.get(), &CRecordPreviewLoader::PictureReady, this, [&delivered] { ++delivered; });
            loader->Want(paths); // the workers start at once and are still reading when it goes
        }
        // Results of pictures that were being read when the loader went are never delivered.
        QTest::qWait(100);
        QCOMPARE(delivered, 0);
    }

    // ---- Cursor ----

    void cursorStepsWithinTheList() {
        CRecordListModel model;
        QVERIFY(Load(model, m_data, 0));
        CRecordPreviewCursor cursor(
            &model, [] { return 0; }, [] { return QString(); });
        QSignalSpy changed(&cursor, &CRecordPreviewCursor::RowChanged);
        QCOMPARE(cursor.Row(), -1);
        QVERIFY(!cursor.Previous());
        QVERIFY(!cursor.SetRow(-1));
        QVERIFY(!cursor.SetRow(6));
        QCOMPARE(cursor.Row(), -1);

        QVERIFY(cursor.Next()); // from nowhere to the first record
        QCOMPARE(cursor.Row(), 0);
        QVERIFY(!cursor.Previous());
        QVERIFY(cursor.Last());
        QCOMPARE(cursor.Row(), 5);
        QVERIFY(!cursor.Next());
        QCOMPARE(cursor.Row(), 5);
        QVERIFY(cursor.Previous());
        QVERIFY(cursor.SetRow(4)); // the same row again is no change
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.last().first().toInt(), 4);
    }

    void cursorRecordFollowsTheMethodAndItsPictureFolder() {
        for (int method = 0; method < 3; ++method) {
            CRecordListModel model;
            QVERIFY(Load(model, m_data, method));
            const QString folder = CDataSetLayout::PictureFolder(m_data, method);
            CRecordPreviewCursor cursor(
                &model, [method] { return method; }, [folder] { return folder; });
            QVERIFY(cursor.SetRow(2));
            const CDataSetLayout::RecordRefs record = cursor.Record();
            const CDataSetLayout::ReportColumns columns = CDataSetLayout::Columns(method);
            QCOMPARE(record.strValue,
                     model.CellText(2, columns.nValueFirst) + model.CellText(2, columns.nValueSecond));
            QVERIFY(!record.strValue.isEmpty());
            QCOMPARE(record.strPicture3, folder + QLatin1Char('/') + model.CellText(2, columns.nPicture3));
            for (const QString& picture : {record.strPicture1, record.strPicture2, record.strPicture3}) {
                QVERIFY2(QFile::exists(picture), qPrintable(picture));
            }
            QCOMPARE(cursor.Caption(0), model.ColumnCaption(0));
            QCOMPARE(cursor.Cell(0), model.CellText(2, 0));
            QVERIFY(cursor.RecordAt(6).strValue.isEmpty());
        }
    }

    void cursorTicksThroughTheModel() {
        CRecordListModel model;
        QVERIFY(Load(model, m_data, 1));
        CRecordPreviewCursor cursor(
            &model, [] { return 1; }, [] { return QString(); });
        QSignalSpy checked(&cursor, &CRecordPreviewCursor::CheckedChanged);
        QVERIFY(!cursor.ToggleChecked()); // no record yet

        QVERIFY(cursor.SetRow(3));
        QVERIFY(cursor.ToggleChecked());
        QCOMPARE(model.CheckedRows(), QList<int>{3});
        QVERIFY(cursor.IsChecked());
        QCOMPARE(checked.count(), 1);
        QCOMPARE(checked.last().first().toBool(), true);

        // The list's own changes reach the cursor, but only for its record.
        model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(checked.count(), 1);
        model.setData(model.index(3, 0), Qt::Unchecked, Qt::CheckStateRole);
        QCOMPARE(checked.count(), 2);
        QCOMPARE(checked.last().first().toBool(), false);
        model.SetAllChecked(true);
        QCOMPARE(checked.count(), 3);
        QVERIFY(cursor.IsChecked());

        bool allowed = false;
        cursor.SetTickGuard([&allowed] { return allowed; });
        QVERIFY(!cursor.ToggleChecked());
        QVERIFY(model.IsChecked(3));
        allowed = true;
        QVERIFY(cursor.ToggleChecked());
        QVERIFY(!model.IsChecked(3));
    }

    void cursorLetsGoOfAReloadedList() {
        CRecordListModel model;
        QVERIFY(Load(model, m_data, 2));
        CRecordPreviewCursor cursor(
            &model, [] { return 2; }, [] { return QString(); });
        QSignalSpy reset(&cursor, &CRecordPreviewCursor::Reset);
        QVERIFY(cursor.SetRow(5));
        QVERIFY(Load(model, m_data, 2)); // the same folder chosen again
        QCOMPARE(reset.count(), 1);
        QCOMPARE(cursor.Row(), -1);
        model.Clear();
        QCOMPARE(reset.count(), 2);
        QVERIFY(!cursor.ToggleChecked());
        QVERIFY(!cursor.Next());
        QVERIFY(cursor.Record().strPicture1.isEmpty());
    }
};

QTEST_MAIN(TestPreviewLogic)
#include "tst_previewlogic.moc"
