#pragma once

#include "data/ResultTableView.h"

#include <QByteArray>
#include <QByteArrayMatcher>
#include <QString>

#include <string>

namespace Data {

// The record filter shared by the record list and zolt-report: a record matches when one of its
// cells, as shown, contains the text, ignoring case (Qt's case folding). An empty text matches
// every record. Cells are searched in their UTF-8 form; only a cell holding letters with case
// outside ASCII, or malformed UTF-8, is decoded first.
class RecordMatcher {
public:
    explicit RecordMatcher(const QString& text = QString());

    bool IsEmpty() const { return m_text.isEmpty(); }
    const QString& Text() const { return m_text; }

    bool Matches(const char* cell) const;
    bool MatchesRecord(const ResultTableView& table, int row) const;

    // True when every record this matcher accepts is also accepted by `previous` (its text
    // contains the previous text), so that only the records `previous` accepted need a search.
    bool Narrows(const RecordMatcher& previous) const;

private:
    // The folded text in the cell's bytes, ASCII letters in either case.
    bool FindFolded(const char* cell) const;

    QString m_text;
    QByteArray m_needle;            // case-folded text, UTF-8
    bool m_hasNul = false;          // set from m_needle, so declared after it
    QByteArrayMatcher m_longNeedle; // m_needle's skip table, made once for the long-text search
    mutable std::string m_lower;    // a cell with its ASCII letters in lower case, reused
};

} // namespace Data
