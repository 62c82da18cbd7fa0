#include "baseinfo/CBaseInfoStore.h"

#include "data/CNkSQLiteOper.h"
#include "data/Utf8ToWide.h"

#include <sqlite3.h>

namespace {

// Another program may hold the file briefly; wait a little before giving up.
constexpr int kBusyTimeoutMs = 1000;

const QString kDelete = QStringLiteral("DELETE FROM BASE_INFO");

// Kept character for character as earlier versions issued it, blank and two tabs included.
const QString kInsert =
    QStringLiteral("INSERT INTO BASE_INFO ([检测人员], [检测地点], [检测仪器], [仪器型号] \t\t"
                   ", [设备名称], [设备类型], [当天温度], [当天湿度], [检测日期]) "
                   "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");

// A fresh file has no table; without it every confirmation would be lost.
const QString kCreate =
    QStringLiteral("CREATE TABLE IF NOT EXISTS BASE_INFO ([检测人员] TEXT, [检测地点] TEXT, "
                   "[检测仪器] TEXT, [仪器型号] TEXT, [设备名称] TEXT, [设备类型] TEXT, "
                   "[当天温度] TEXT, [当天湿度] TEXT, [检测日期] TEXT)");

const QString kHasTable =
    QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'BASE_INFO'");

sqlite3_stmt* Prepare(sqlite3* db, const QString& sql) {
    sqlite3_stmt* statement = nullptr;
    const int bytes = static_cast<int>(sql.size() * sizeof(char16_t));
    if (sqlite3_prepare16_v2(db, sql.utf16(), bytes, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

// Runs a statement without parameters once; true when it completed.
bool Execute(sqlite3* db, const QString& sql) {
    sqlite3_stmt* statement = Prepare(db, sql);
    if (!statement) {
        return false;
    }
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

// 1 when BASE_INFO exists, 0 when not, -1 when the file cannot be read as a database.
int HasTable(sqlite3* db) {
    sqlite3_stmt* statement = Prepare(db, kHasTable);
    if (!statement) {
        return -1;
    }
    int result = -1;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        result = sqlite3_column_int(statement, 0) > 0 ? 1 : 0;
    }
    sqlite3_finalize(statement);
    return result;
}

bool Insert(sqlite3* db, const BaseInfoRecord& record) {
    sqlite3_stmt* statement = Prepare(db, kInsert);
    if (!statement) {
        return false;
    }
    bool bound = true;
    for (int column = 0; column < CBaseInfoStore::kColumnCount; ++column) {
        const QString& value = record.*CBaseInfoStore::kColumnFields[column];
        // A null QString must still go in as empty text, never as SQL NULL. The record outlives the
        // statement, so SQLite need not copy.
        const void* text = value.isNull() ? static_cast<const void*>(u"") : value.utf16();
        bound = bound && sqlite3_bind_text16(statement, column + 1, text, -1, SQLITE_STATIC) == SQLITE_OK;
    }
    const bool done = bound && sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_reset(statement);
    sqlite3_finalize(statement);
    return done;
}

} // namespace

QString CBaseInfoStore::FileName() {
    return QStringLiteral("ZOLT.DB3");
}

CBaseInfoStore::LoadResult CBaseInfoStore::Load() const {
    LoadResult loaded;
    Common::CNkSQLiteOper db;
    if (!db.Open(FileName())) {
        return loaded;
    }
    sqlite3_busy_timeout(db.GetHandle(), kBusyTimeoutMs);
    // Opening succeeds on any file; only reading shows whether it is a database at all.
    const int hasTable = HasTable(db.GetHandle());
    if (hasTable < 0) {
        return loaded;
    }
    if (hasTable == 0) {
        // A fresh file: nothing stored yet, which is not a fault.
        loaded.bReadable = true;
        return loaded;
    }

    char** result = nullptr;
    int rows = 0;
    int columns = 0;
    loaded.bReadable = db.QueryTable("BASE_INFO", &result, &rows, &columns);
    const int textColumns = qMin(columns, kTextColumnCount);
    for (int row = 1; row <= rows; ++row) {
        for (int column = 0; column < textColumns; ++column) {
            const QString value = Utf8ToWide(result[row * columns + column]);
            if (!value.isEmpty()) {
                loaded.arrColumns[column].append(value);
            }
        }
    }
    sqlite3_free_table(result);
    db.Close();
    return loaded;
}

bool CBaseInfoStore::Save(const BaseInfoRecord& record) const {
    Common::CNkSQLiteOper db;
    if (!db.Open(FileName())) {
        return false;
    }
    sqlite3* handle = db.GetHandle();
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    // One transaction, so that a failed insert never leaves the table emptied by the delete.
    const bool saved = Execute(handle, QStringLiteral("BEGIN IMMEDIATE")) && Execute(handle, kCreate) &&
                       Execute(handle, kDelete) && Insert(handle, record) &&
                       Execute(handle, QStringLiteral("COMMIT"));
    if (!saved && !sqlite3_get_autocommit(handle)) {
        Execute(handle, QStringLiteral("ROLLBACK"));
    }
    db.Close();
    return saved;
}
