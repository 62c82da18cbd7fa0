#include "BaseInfoTestSupport.h"

#include "baseinfo/CBaseInfoStore.h"

#include <QFileInfo>
#include <QTest>

#include <thread>

using namespace baseinfo_test;

namespace {

BaseInfoRecord SampleRecord() {
    BaseInfoRecord record;
    record.m_strInspector = "张三";
    record.m_strPlace = "北京 110kV 变电站";
    record.m_strInstrument = "局放巡检仪";
    record.m_strDate = "2020年8月6日";
    record.m_strEquipName = "1#主变";
    record.m_strEquipType = "GIS";
    record.m_strModel = "PD-71";
    record.m_strTemperature = "25℃";
    record.m_strHumidity = "60%";
    return record;
}

// The record's values in table column order.
QStringList ColumnValues(const BaseInfoRecord& record) {
    QStringList values;
    for (auto field : CBaseInfoStore::kColumnFields) {
        values.append(record.*field);
    }
    return values;
}

} // namespace

class TestBaseInfoStore : public QObject {
    Q_OBJECT

private slots:
    void saveCreatesTheTableOnAFreshFile();
    void saveReplacesEveryRowAndValuesRoundTrip();
    void emptyValuesAreStoredAsEmptyText();
    void missingFileIsReadableAndEmpty();
    void failedInsertKeepsTheOldRow();
    void fileLockedByAnotherProgramKeepsTheOldRow();
    void workingFolderWithChineseNameAndSpaces();
};

void TestBaseInfoStore::saveCreatesTheTableOnAFreshFile() {
    ScopedWorkDir dir;
    QVERIFY(CBaseInfoStore().Save(SampleRecord()));

    // Other tools read this file: exactly one table, its nine columns by name and order, one row.
    QCOMPARE(Query("SELECT name FROM sqlite_master"), (QList<QStringList>{{"text:BASE_INFO"}}));
    QStringList names;
    for (const QStringList& column : Query("SELECT name, type FROM pragma_table_info('BASE_INFO')")) {
        names.append(column.at(0).section(':', 1));
        QCOMPARE(column.at(1), QString("text:TEXT"));
    }
    QCOMPARE(names, kColumnNames);
    QCOMPARE(StoredRows(), QList<QStringList>{ColumnValues(SampleRecord())});
}

void TestBaseInfoStore::saveReplacesEveryRowAndValuesRoundTrip() {
    ScopedWorkDir dir;
    QVERIFY(CreateTable());
    QVERIFY(Exec("INSERT INTO BASE_INFO VALUES ('a','b','c','d','e','f','g','h','i'),"
                 "('j','k','l','m','n','o','p','q','r')"));

    BaseInfoRecord record = SampleRecord();
    // Quotes, brackets and a character outside the BMP must pass the binding unchanged.
    record.m_strPlace = "O'Brien [站] \"东\" 𠀀";
    QVERIFY(CBaseInfoStore().Save(record));
    QVERIFY(CBaseInfoStore().Save(record));
    QCOMPARE(StoredRows(), QList<QStringList>{ColumnValues(record)});

    const CBaseInfoStore::LoadResult loaded = CBaseInfoStore().Load();
    QVERIFY(loaded.bReadable);
    const QStringList expected = ColumnValues(record);
    for (int column = 0; column < CBaseInfoStore::kTextColumnCount; ++column) {
        QCOMPARE(loaded.arrColumns[column], QStringList{expected.at(column)});
    }
}

void TestBaseInfoStore::emptyValuesAreStoredAsEmptyText() {
    ScopedWorkDir dir;
    BaseInfoRecord record = SampleRecord();
    record.m_strPlace = QString(); // null
    record.m_strHumidity = "";     // empty, not null
    QVERIFY(CBaseInfoStore().Save(record));

    const QList<QStringList> rows = Query("SELECT [检测地点], [当天湿度] FROM BASE_INFO");
    QCOMPARE(rows, (QList<QStringList>{{"text:", "text:"}}));

    const CBaseInfoStore::LoadResult loaded = CBaseInfoStore().Load();
    QVERIFY(loaded.arrColumns[1].isEmpty());
    QVERIFY(loaded.arrColumns[7].isEmpty());
    QCOMPARE(loaded.arrColumns[0], QStringList{"张三"});
}

void TestBaseInfoStore::missingFileIsReadableAndEmpty() {
    ScopedWorkDir dir;
    const CBaseInfoStore::LoadResult loaded = CBaseInfoStore().Load();
    QVERIFY(loaded.bReadable);
    for (const QStringList& column : loaded.arrColumns) {
        QVERIFY(column.isEmpty());
    }
    // The empty file left behind must still take the first confirmation.
    QVERIFY(CBaseInfoStore().Save(SampleRecord()));
    QCOMPARE(StoredRows().size(), 1);
}

void TestBaseInfoStore::failedInsertKeepsTheOldRow() {
    ScopedWorkDir dir;
    // A table of another shape: the insert cannot name its columns, and the delete before it
    // must not be kept either.
    QVERIFY(Exec("CREATE TABLE BASE_INFO ([检测人员] TEXT, [检测地点] TEXT); "
                 "INSERT INTO BASE_INFO VALUES ('旧', '值')"));
    QVERIFY(!CBaseInfoStore().Save(SampleRecord()));
    QCOMPARE(StoredRows(), (QList<QStringList>{{"旧", "值"}}));

    // Loading takes the columns there are.
    const CBaseInfoStore::LoadResult loaded = CBaseInfoStore().Load();
    QVERIFY(loaded.bReadable);
    QCOMPARE(loaded.arrColumns[0], QStringList{"旧"});
    QCOMPARE(loaded.arrColumns[1], QStringList{"值"});
    QVERIFY(loaded.arrColumns[2].isEmpty());
}

void TestBaseInfoStore::fileLockedByAnotherProgramKeepsTheOldRow() {
    ScopedWorkDir dir;
    QVERIFY(CreateTable());
    QVERIFY(Exec("INSERT INTO BASE_INFO VALUES ('a','b','c','d','e','f','g','h','i')"));

    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open("ZOLT.DB3", &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const bool saved = CBaseInfoStore().Save(SampleRecord());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    QVERIFY(!saved);
    QCOMPARE(StoredRows(), (QList<QStringList>{{"a", "b", "c", "d", "e", "f", "g", "h", "i"}}));

    // A lock released while the store waits does not fail the save.
    QCOMPARE(sqlite3_open("ZOLT.DB3", &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    });
    const bool savedAfterWait = CBaseInfoStore().Save(SampleRecord());
    release.join();
    sqlite3_close(other);
    QVERIFY(savedAfterWait);
    QCOMPARE(StoredRows(), QList<QStringList>{ColumnValues(SampleRecord())});
}

// SQLite takes UTF-8 names; the store is opened relative to a working folder that engineers name in
// Chinese, with spaces.
void TestBaseInfoStore::workingFolderWithChineseNameAndSpaces() {
    ScopedWorkDir dir;
    const QString folder = dir.Path() + QStringLiteral("/检测 记录 1");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir::setCurrent(folder));
    QVERIFY(CBaseInfoStore().Save(SampleRecord()));
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/ZOLT.DB3")));
    const CBaseInfoStore::LoadResult loaded = CBaseInfoStore().Load();
    QVERIFY(loaded.bReadable);
    QCOMPARE(loaded.arrColumns[0], QStringList{QStringLiteral("张三")});
}

QTEST_GUILESS_MAIN(TestBaseInfoStore)
#include "tst_baseinfostore.moc"
