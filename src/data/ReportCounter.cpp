#include "data/ReportCounter.h"

#include <sqlite3.h>

namespace Data {

namespace {

// A report of many records takes a while to write; the next one waits for it.
constexpr int kBusyTimeoutMs = 300'000;

QString Reason(sqlite3* db) {
    return QStringLiteral("the report number cannot be taken from %1 (%2)")
        .arg(ReportCounter::FileName(), QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace

ReportCounter::~ReportCounter() {
    if (m_pending) {
        sqlite3_exec(m_db.GetHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

bool ReportCounter::Execute(const char* sql, QString* error) {
    if (sqlite3_exec(m_db.GetHandle(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = Reason(m_db.GetHandle());
        return false;
    }
    return true;
}

std::optional<qint64> ReportCounter::Next(const QString& key, QString* error) {
    if (!m_db.Open(FileName())) {
        *error = QStringLiteral("the report number cannot be taken: %1 cannot be opened").arg(FileName());
        return std::nullopt;
    }
    sqlite3_busy_timeout(m_db.GetHandle(), kBusyTimeoutMs);
    if (!Execute("BEGIN IMMEDIATE", error)) {
        return std::nullopt;
    }
    m_pending = true;
    if (!Execute("CREATE TABLE IF NOT EXISTS REPORT_NUMBER (PATTERN TEXT PRIMARY KEY, LAST INTEGER NOT NULL)",
                 error)) {
        return std::nullopt;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db.GetHandle(), "SELECT LAST FROM REPORT_NUMBER WHERE PATTERN = ?1", -1,
                           &statement, nullptr) != SQLITE_OK) {
        *error = Reason(m_db.GetHandle());
        return std::nullopt;
    }
    const QByteArray utf8 = key.toUtf8();
    sqlite3_bind_text(statement, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(statement);
    const qint64 last = rc == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        *error = Reason(m_db.GetHandle());
        return std::nullopt;
    }
    m_key = key;
    m_next = last + 1;
    return m_next;
}

bool ReportCounter::Commit(QString* error) {
    if (!m_pending) {
        return true;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db.GetHandle(),
                           "INSERT OR REPLACE INTO REPORT_NUMBER (PATTERN, LAST) VALUES (?1, ?2)", -1,
                           &statement, nullptr) != SQLITE_OK) {
        *error = Reason(m_db.GetHandle());
        return false;
    }
    const QByteArray utf8 = m_key.toUtf8();
    sqlite3_bind_text(statement, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(statement, 2, m_next);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        *error = Reason(m_db.GetHandle());
        return false;
    }
    if (!Execute("COMMIT", error)) {
        return false;
    }
    m_pending = false;
    return true;
}

} // namespace Data
