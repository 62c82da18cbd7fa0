#include "data/CNkSQLiteOper.h"

#include "data/ResultTable.h"
#include "data/TableReader.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <mutex>

namespace Common {

namespace {

// Guards initialisation/shutdown against connections held by other wrappers: SQLite requires
// every connection to be closed before sqlite3_shutdown.
std::mutex g_libraryMutex;
int g_openConnections = 0;

// The system SQLite is built to read "file:" names as URIs, so a plain name starting with
// "file:" would be misread. Every path therefore travels as a URI with all reserved bytes
// percent-encoded: '?', '#' and '%' stay part of the name. An absolute path gets an empty
// authority, so that a path starting with "//" is not taken for one.
QByteArray ToUri(const QString& path, const char* query = nullptr) {
    const QByteArray encoded = QUrl::toPercentEncoding(path, "/");
    QByteArray uri("file:");
    if (encoded.startsWith('/')) {
        uri += "//";
    }
    uri += encoded;
    if (query != nullptr) {
        uri += '?';
        uri += query;
    }
    return uri;
}

enum class ReadOnlyMode {
    Plain,     // rollback-journal database: a reader creates and changes nothing
    HeapIndex, // a -wal journal exists: read it with the WAL index in private memory
    Immutable, // nothing but the main file holds content
    Empty      // a main file of at most one byte: nothing to read
};

bool HasWalHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = file.read(20);
    // Bytes 18 and 19 are the read and write format versions; 2 marks WAL mode.
    return header.size() == 20 && header.startsWith(QByteArray("SQLite format 3\0", 16)) &&
           (header.at(18) == 2 || header.at(19) == 2);
}

// A plain read-only connection still creates -shm (and for a WAL database without journal an
// empty -wal), writes read marks into an existing -shm, and deletes a -wal next to an empty
// database file. The mode is chosen so that none of that can happen.
ReadOnlyMode ChooseReadOnlyMode(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return ReadOnlyMode::Plain; // missing or a directory: the open fails by itself
    }
    if (info.size() <= 1) {
        // SQLite deletes a -wal beside an empty database, and it takes a one-byte file for an empty
        // one (a work-around of its own for some file systems). Such a file reads as empty anyway.
        return ReadOnlyMode::Empty;
    }
    if (QFileInfo::exists(path + QStringLiteral("-wal"))) {
        return ReadOnlyMode::HeapIndex;
    }
    // A WAL database without its journal is complete in the main file.
    return HasWalHeader(path) ? ReadOnlyMode::Immutable : ReadOnlyMode::Plain;
}

// Without file locks, exclusive locking mode costs nothing and keeps the WAL index in heap
// memory instead of the -shm file. The data set is a finished inspection that nobody writes.
const char* NoLockVfs() {
    for (const char* name : {"unix-none", "win32-none"}) {
        if (sqlite3_vfs_find(name) != nullptr) {
            return name;
        }
    }
    return nullptr;
}

// Only stored tables are read whole. A view computes its rows when read, and a recursive one never
// stops: a database of a few hundred bytes would hang the program while it ate all memory.
bool IsStoredTable(sqlite3* db, const char* table) {
    sqlite3_stmt* statement = nullptr;
    if (table == nullptr ||
        sqlite3_prepare_v2(db,
                           "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                           -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    const bool stored = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return stored;
}

QByteArray SelectAll(const char* table) {
    return QByteArray("SELECT * FROM ") + QByteArray(table != nullptr ? table : "");
}

} // namespace

CNkSQLiteOper::CNkSQLiteOper() {
    // SQLite's allocation statistics take a global lock for every allocation, two per cell of a
    // whole-table read, and nothing here reads them. The setting is only taken before the library's
    // first initialisation and outlives its shutdowns.
    static std::once_flag noStatistics;
    std::call_once(noStatistics, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    sqlite3_initialize();
}

CNkSQLiteOper::~CNkSQLiteOper() {
    Close();
    std::lock_guard lock(g_libraryMutex);
    if (g_openConnections == 0) {
        sqlite3_shutdown();
    }
}

bool CNkSQLiteOper::Open(const QString& path) {
    Close();
    return OpenUri(ToUri(path), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
}

bool CNkSQLiteOper::OpenReadOnly(const QString& path) {
    Close();
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    switch (ChooseReadOnlyMode(path)) {
    case ReadOnlyMode::Plain:
        if (!OpenUri(ToUri(path), flags, nullptr)) {
            return false;
        }
        break;
    case ReadOnlyMode::Immutable:
        return OpenUri(ToUri(path, "immutable=1"), flags, nullptr);
    case ReadOnlyMode::Empty:
        // An empty database in memory reads the same as the empty file and cannot touch its journal.
        return OpenUri(QByteArray(":memory:"), SQLITE_OPEN_READONLY, nullptr);
    case ReadOnlyMode::HeapIndex:
        if (!OpenUri(ToUri(path), flags, NoLockVfs())) {
            return false;
        }
        // Must precede the first read, or the connection maps the -shm file.
        if (sqlite3_exec(m_pDB, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            Close();
            return false;
        }
        break;
    }
    // The last connection to close checkpoints the journal into the database and deletes it.
    sqlite3_db_config(m_pDB, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return true;
}

bool CNkSQLiteOper::OpenUri(const QByteArray& uri, int flags, const char* vfs) {
    std::lock_guard lock(g_libraryMutex);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, vfs);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        m_pDB = nullptr;
        return false;
    }
    m_pDB = db;
    m_bOpen = true;
    ++g_openConnections;
    return true;
}

bool CNkSQLiteOper::QueryTable(const char* table, char*** result, int* rows, int* columns) {
    if (result == nullptr || rows == nullptr || columns == nullptr) {
        return false;
    }
    *result = nullptr;
    *rows = 0;
    *columns = 0;
    if (!m_bOpen) {
        return false;
    }
    if (!IsStoredTable(m_pDB, table)) {
        return false;
    }
    const int rc = sqlite3_get_table(m_pDB, SelectAll(table).constData(), result, rows, columns, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_free_table(*result);
        *result = nullptr;
        *rows = 0;
        *columns = 0;
        return false;
    }
    return true;
}

bool CNkSQLiteOper::ReadTable(const char* table, Data::ResultTable* result) {
    *result = Data::ResultTable();
    return m_bOpen && IsStoredTable(m_pDB, table) &&
           Data::TableReader(m_pDB).Read(SelectAll(table).constData(), result);
}

void CNkSQLiteOper::Close() {
    if (!m_bOpen) {
        return;
    }
    std::lock_guard lock(g_libraryMutex);
    // Owners finalise their statements first; should one be left, the connection still goes
    // with it instead of leaking.
    sqlite3_close_v2(m_pDB);
    m_pDB = nullptr;
    m_bOpen = false;
    --g_openConnections;
}

int CNkSQLiteOper::OpenConnectionCount() {
    std::lock_guard lock(g_libraryMutex);
    return g_openConnections;
}

} // namespace Common
