#pragma once

#include <QString>

struct sqlite3;
namespace Data {
class ResultTable;
} // namespace Data

namespace Common {

// Thin owner of one SQLite connection. Opens by path, reads whole tables as result tables
// (sqlite3_get_table layout: (rows + 1) x columns UTF-8 cells, column names first, SQL NULL as a
// null pointer), and lends the raw handle for prepared statements. A connection is used by one
// thread at a time, the one that owns the wrapper, so it is opened without SQLite's per-call lock.
class CNkSQLiteOper {
public:
    CNkSQLiteOper();
    virtual ~CNkSQLiteOper();

    CNkSQLiteOper(const CNkSQLiteOper&) = delete;
    CNkSQLiteOper& operator=(const CNkSQLiteOper&) = delete;

    // Read-write open; creates an empty database when the file does not exist. Closes any
    // connection held before, also when the new open fails. The path is taken literally:
    // '?', '#', '%' and a leading "file:" are part of the file name.
    bool Open(const QString& path);

    // Read-only open for data that must never change (a test data set): no file is created,
    // changed or removed next to the database, also for a WAL database on read-only media, and
    // the content of an existing -wal journal is read. Fails when the file does not exist.
    bool OpenReadOnly(const QString& path);

    // "SELECT * FROM " + table. On failure the outputs are a null result and zero counts.
    // The caller frees the result with sqlite3_free_table, whatever the outcome.
    bool QueryTable(const char* table, char*** result, int* rows, int* columns);
    // The same table with the same cells, read in about half the time (Data::TableReader): for the record
    // list and the report, which read whole record tables of any length. Empty on failure.
    bool ReadTable(const char* table, Data::ResultTable* result);

    void Close();
    bool IsOpen() const { return m_bOpen; }
    sqlite3* GetHandle() const { return m_pDB; }

    // Connections open in this process through any wrapper; the library is shut down only when
    // a wrapper goes while none is open.
    static int OpenConnectionCount();

private:
    bool OpenUri(const QByteArray& uri, int flags, const char* vfs);

    sqlite3* m_pDB = nullptr;
    bool m_bOpen = false;
};

} // namespace Common
