#include "template/ReportNumber.h"

#include "template/TemplateError.h"

#include <QDate>
#include <QRegularExpression>

namespace Template {

namespace {

// The date the basic information holds ("2020年8月6日", "2020-08-06"); today when it holds none.
QDate DateOf(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("(\\d{4})\\D+(\\d{1,2})\\D+(\\d{1,2})"));
    const QRegularExpressionMatch match = pattern.match(text);
    const QDate date = match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(2).toInt(),
                                                match.captured(3).toInt())
                                        : QDate();
    return date.isValid() ? date : QDate::currentDate();
}

} // namespace

// The pattern's fields: the date's, and with `counter` >= 0 the counter's; -1 leaves {n...} as it
// stands (the counter's key).
QString ReportNumber::Filled(const QString& pattern, qint64 counter) const {
    static const QRegularExpression field(QStringLiteral("\\{(yyyy|yy|mm|dd|n{1,6})\\}"));
    const QDate date = DateOf(m_date);
    QString text;
    qsizetype position = 0;
    for (QRegularExpressionMatchIterator it = field.globalMatch(pattern); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        text += QStringView(pattern).mid(position, match.capturedStart() - position);
        position = match.capturedEnd();
        const QString name = match.captured(1);
        if (name == QLatin1String("yyyy")) {
            text += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        } else if (name == QLatin1String("yy")) {
            text += QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
        } else if (name == QLatin1String("mm")) {
            text += QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
        } else if (name == QLatin1String("dd")) {
            text += QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
        } else if (counter < 0) {
            text += match.captured(0);
        } else {
            text += QStringLiteral("%1").arg(counter, static_cast<int>(name.size()), 10, QLatin1Char('0'));
        }
    }
    return text + pattern.mid(position);
}

void ReportNumber::Use(const QString& pattern, const QString& typed, const QString& where) {
    if (m_pattern.isNull()) {
        m_pattern = pattern;
        m_typed = typed;
    } else if (pattern != m_pattern) {
        throw TemplateError(QStringLiteral("a second report number pattern %1 in %2 (the first: %3)")
                                .arg(typed, where, m_typed));
    }
}

QString ReportNumber::Text() {
    if (m_taken || !m_counts) {
        return m_text;
    }
    m_taken = true;
    if (!m_fixed.isEmpty()) {
        m_text = m_fixed;
        return m_text;
    }
    m_counter = std::make_unique<Data::ReportCounter>();
    QString error;
    const std::optional<qint64> next = m_counter->Next(Filled(m_pattern, -1), &error);
    if (!next) {
        throw TemplateError(error, TemplateError::Kind::Output);
    }
    m_text = Filled(m_pattern, *next);
    return m_text;
}

bool ReportNumber::Commit(QString* error) {
    return !m_counter || m_counter->Commit(error);
}

} // namespace Template
