#pragma once

#include "data/CNkSQLiteOper.h"

#include <QString>

#include <optional>

namespace Data {

// The counters of report numbers, one per pattern with its date fields filled in, in table
// REPORT_NUMBER of ZOLT.DB3 in the working directory (the file that keeps the basic information).
// Next begins a write transaction that Commit ends: while a report is written with its number, a
// second process asking for one waits, so two reports never share a number; a report that is not
// written commits nothing and leaves no gap.
class ReportCounter {
public:
    static QString FileName() { return QStringLiteral("ZOLT.DB3"); }

    ReportCounter() = default;
    ~ReportCounter(); // what was not committed is rolled back
    ReportCounter(const ReportCounter&) = delete;
    ReportCounter& operator=(const ReportCounter&) = delete;

    // The number after the last one taken for `key` (1 for a new key). Waits for another process's
    // transaction up to a few minutes. nullopt with `error` set when the file cannot be used.
    std::optional<qint64> Next(const QString& key, QString* error);

    // Stores the number Next gave as taken. False with `error` set when it could not be stored.
    bool Commit(QString* error);

private:
    bool Execute(const char* sql, QString* error);

    Common::CNkSQLiteOper m_db;
    QString m_key;
    qint64 m_next = 0;
    bool m_pending = false; // a transaction is open
};

} // namespace Data
