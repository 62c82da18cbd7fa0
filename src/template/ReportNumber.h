#pragma once

#include "data/ReportCounter.h"

#include <QString>

#include <memory>

namespace Template {

// The one report number of a report, for every {{报告编号:PATTERN}} tag: the given text, or the
// pattern with the inspection date and the counter filled in. The counter's number is taken on the
// first tag and kept (Commit) only when the report has been written.
class ReportNumber {
public:
    // `fixed`: printed instead of a taken number; `date`: the inspection date as the basic information
    // holds it; `counts`: false when checking a template (no number is taken, the tags print nothing).
    ReportNumber(const QString& fixed, const QString& date, bool counts)
        : m_fixed(fixed), m_date(date), m_counts(counts) {}

    // Throws TemplateError for a pattern that differs from the first one (`typed` is the tag) and
    // when no number can be taken.
    void Use(const QString& pattern, const QString& typed, const QString& where);
    // The number for the tags; Use has been called.
    QString Text();
    // Keeps the taken number; false with `error` set when it cannot be stored.
    bool Commit(QString* error);

private:
    QString Filled(const QString& pattern, qint64 counter) const;

    QString m_fixed;
    QString m_date;
    bool m_counts;
    QString m_pattern;
    QString m_typed; // the first tag, for messages
    QString m_text;
    bool m_taken = false;
    std::unique_ptr<Data::ReportCounter> m_counter;
};

} // namespace Template
