#include "data/CNkSQLiteOper.h"

#include <sqlite3.h>

#include <QByteArray>

#include <mutex>

namespace Common {

namespace {

// Guards initialisation/shutdown against connections held by other wrappers: SQLite requires
// every connection to be closed before sqlite3_shutdown.
std::mutex g_libraryMutex;
int g_openConnections = 0;

} // namespace

CNkSQLiteOper::CNkSQLiteOper() {
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
    return OpenWithFlags(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

bool CNkSQLiteOper::OpenReadOnly(const QString& path) {
    return OpenWithFlags(path, SQLITE_OPEN_READONLY);
}

bool CNkSQLiteOper::OpenWithFlags(const QString& path, int flags) {
    Close();
    std::lock_guard lock(g_libraryMutex);
    sqlite3* db = nullptr;
    const QByteArray utf8 = path.toUtf8();
    const int rc = sqlite3_open_v2(utf8.constData(), &db, flags, nullptr);
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
    *result = nullptr;
    *rows = 0;
    *columns = 0;
    if (!m_bOpen) {
        return false;
    }
    const QByteArray sql = QByteArray("SELECT * FROM ") + QByteArray(table ? table : "");
    const int rc = sqlite3_get_table(m_pDB, sql.constData(), result, rows, columns, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_free_table(*result);
        *result = nullptr;
        *rows = 0;
        *columns = 0;
        return false;
    }
    return true;
}

void CNkSQLiteOper::Close() {
    if (!m_bOpen) {
        return;
    }
    std::lock_guard lock(g_libraryMutex);
    sqlite3_close(m_pDB);
    m_pDB = nullptr;
    m_bOpen = false;
    --g_openConnections;
}

int CNkSQLiteOper::OpenConnectionCount() {
    std::lock_guard lock(g_libraryMutex);
    return g_openConnections;
}

} // namespace Common
