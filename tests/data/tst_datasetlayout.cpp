#include "app/CNkFolderDlg.h"
#include "data/CDataSetLayout.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class TestDataSetLayout : public QObject {
    Q_OBJECT

private slots:
    void derivedPaths_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("tevPictures");
        QTest::newRow("ordinary") << "/data/Station1"
                                  << "Station1"
                                  << "/data/Station1/Station1.db3"
                                  << "/data/Station1/Station1-TEV";
        QTest::newRow("spaces and Chinese") << "/数据/城南 变电站 1"
                                            << "城南 变电站 1"
                                            << "/数据/城南 变电站 1/城南 变电站 1.db3"
                                            << "/数据/城南 变电站 1/城南 变电站 1-TEV";
        // The root has no name: the separator doubles and the suffix stands alone.
        QTest::newRow("filesystem root") << "/"
                                         << ""
                                         << "//.db3"
                                         << "//-TEV";
        QTest::newRow("no separator") << "Station1"
                                      << "Station1"
                                      << "Station1/Station1.db3"
                                      << "Station1/Station1-TEV";
        QTest::newRow("case and dots kept") << "/d/./A.B"
                                            << "A.B"
                                            << "/d/./A.B/A.B.db3"
                                            << "/d/./A.B/A.B-TEV";
    }
    void derivedPaths() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, database);
        QFETCH(QString, tevPictures);
        QCOMPARE(CDataSetLayout::FolderName(folder), name);
        QCOMPARE(CDataSetLayout::DatabasePath(folder), database);
        QCOMPARE(CDataSetLayout::PictureFolder(folder, 1), tevPictures);
        QCOMPARE(CDataSetLayout::PictureFolder(folder, 0), folder + "/" + name + "-US");
        QCOMPARE(CDataSetLayout::PictureFolder(folder, 2), folder + "/" + name + "-HFCT");
        QCOMPARE(CDataSetLayout::PictureFolder(folder, 3), QString());
        QCOMPARE(CDataSetLayout::PictureFolder(folder, -1), QString());
    }

    void methodTablesAndColumns() {
        QCOMPARE(QByteArray(CDataSetLayout::RecordTable(0)), QByteArray("AE_RECORD"));
        QCOMPARE(QByteArray(CDataSetLayout::RecordTable(1)), QByteArray("TEV_RECORD"));
        QCOMPARE(QByteArray(CDataSetLayout::RecordTable(2)), QByteArray("HFCT_RECORD"));
        QCOMPARE(QByteArray(CDataSetLayout::RecordTable(3)), QByteArray());
        QCOMPARE(QByteArray(CDataSetLayout::RecordTable(-1)), QByteArray());
        QCOMPARE(CDataSetLayout::Columns(0).MinimumColumns(), 17);
        QCOMPARE(CDataSetLayout::Columns(1).MinimumColumns(), 13);
        QCOMPARE(CDataSetLayout::Columns(2).MinimumColumns(), 13);
        QVERIFY(!CDataSetLayout::Columns(3).IsValid());
    }

    void gatherRecord_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("tableColumns");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("pictures");
        QTest::newRow("US") << 0 << 20 << "c6c10" << QStringList{"P/c14", "P/c15", "P/c16"};
        QTest::newRow("TEV") << 1 << 15 << "c6c9" << QStringList{"P/c10", "P/c11", "P/c12"};
        QTest::newRow("HFCT") << 2 << 13 << "c6c9" << QStringList{"P/c10", "P/c11", "P/c12"};
        // Missing cells are empty: the value lacks that part, and the picture path is empty (a
        // picture that names no file, reported missing), never the picture folder itself.
        QTest::newRow("US, 15 columns") << 0 << 15 << "c6c10" << QStringList{"P/c14", "", ""};
        QTest::newRow("US, 8 columns") << 0 << 8 << "c6" << QStringList{"", "", ""};
        QTest::newRow("TEV, 8 columns") << 1 << 8 << "c6" << QStringList{"", "", ""};
        QTest::newRow("unknown method") << 5 << 20 << "" << QStringList{"", "", ""};
    }
    void gatherRecord() {
        QFETCH(int, method);
        QFETCH(int, tableColumns);
        QFETCH(QString, value);
        QFETCH(QStringList, pictures);
        const auto refs = CDataSetLayout::GatherRecord(method, "P", [&](int column) {
            return column < tableColumns ? QStringLiteral("c%1").arg(column) : QString();
        });
        QCOMPARE(refs.strValue, value);
        QCOMPARE(QStringList({refs.strPicture1, refs.strPicture2, refs.strPicture3}), pictures);
    }

    void gatherKeepsCellTextUnchanged() {
        // No trimming, no extension, no case change, no separator between value and unit.
        const QHash<int, QString> cells{
            {6, " 12.5 "}, {10, "mV"}, {14, "Wave 1.PNG"}, {15, "../x"}, {16, "子/图"}};
        const auto refs =
            CDataSetLayout::GatherRecord(0, "/d/S-US", [&](int column) { return cells.value(column); });
        QCOMPARE(refs.strValue, QString(" 12.5 mV"));
        QCOMPARE(refs.strPicture1, QString("/d/S-US/Wave 1.PNG"));
        QCOMPARE(refs.strPicture2, QString("/d/S-US/../x"));
        QCOMPARE(refs.strPicture3, QString("/d/S-US/子/图"));
    }

    void presenceTest() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(!CDataSetLayout::DatabaseExists(dir.filePath("a.db3")));
        QVERIFY(!CDataSetLayout::DatabaseExists(QString()));
#ifdef Q_OS_WIN
        // Windows names cannot hold '?' or '*'; a name with them still matches no other file.
        QFile file(dir.filePath("ab.db3"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!CDataSetLayout::DatabaseExists(dir.filePath("a?.db3")));
        QVERIFY(!CDataSetLayout::DatabaseExists(dir.filePath("a*.db3")));
#else
        QFile file(dir.filePath("a?.db3"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(CDataSetLayout::DatabaseExists(dir.filePath("a?.db3")));
        QVERIFY(!CDataSetLayout::DatabaseExists(dir.filePath("a*.db3"))); // no wildcards
        QVERIFY(!CDataSetLayout::DatabaseExists(dir.filePath("ab.db3")));
#endif
        QVERIFY(QDir().mkdir(dir.filePath("d.db3")));
        QVERIFY(CDataSetLayout::DatabaseExists(dir.filePath("d.db3")));
    }

    void folderDialog() {
        ScriptedPrompts prompts;
        prompts.folders = QStringList{"/data/城南 变电站", "", "/"};
        QWidget* owner = nullptr;
        Common::CNkFolderDlg dialog(owner, &prompts);
        QCOMPARE(dialog.GetPathName(), QString());

        QCOMPARE(dialog.DoModal(), 1);
        QCOMPARE(prompts.folderTitles, QStringList{"选择数据文件夹："});
        QCOMPARE(dialog.GetPathName(), QString("/data/城南 变电站"));
        QCOMPARE(dialog.GetFolderName(), QString("城南 变电站"));

        // Cancelled: the earlier choice is gone.
        QCOMPARE(dialog.DoModal(), 2);
        QCOMPARE(dialog.GetPathName(), QString());
        QCOMPARE(dialog.GetFolderName(), QString());

        QCOMPARE(dialog.DoModal(), 1);
        QCOMPARE(dialog.GetPathName(), QString("/"));
        QCOMPARE(dialog.GetFolderName(), QString());

        Common::CNkFolderDlg withoutPrompts(nullptr, nullptr);
        QCOMPARE(withoutPrompts.DoModal(), 2);
    }
};

QTEST_MAIN(TestDataSetLayout)
#include "tst_datasetlayout.moc"
