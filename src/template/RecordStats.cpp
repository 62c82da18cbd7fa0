#include "template/RecordStats.h"

#include "data/RecordSorter.h"

#include <cmath>

namespace Template {

const RecordStats::Column& RecordStats::Of(int column) {
    auto [found, fresh] = m_columns.try_emplace(column);
    Column& stats = found->second;
    if (!fresh) {
        return stats;
    }
    for (int record = 0; record < static_cast<int>(m_cells.size()); ++record) {
        const QString cell = m_cells[static_cast<size_t>(record)].value(column);
        const QString value = cell.trimmed();
        if (++stats.counts[value] == 1) {
            stats.order << value;
        }
        QString unit;
        const std::optional<double> number = NumberOf(cell, &unit);
        if (!number) {
            continue;
        }
        stats.oneUnit = stats.oneUnit && (stats.numbers.empty() || unit == stats.unit);
        stats.unit = unit;
        stats.numbers.emplace_back(*number, record);
    }
    return stats;
}

// The record list's own reading of a number, so that a figure agrees with its sorting.
std::optional<double> RecordStats::NumberOf(const QString& cell, QString* unit) {
    const QByteArray utf8 = cell.toUtf8();
    const char* end = nullptr;
    const std::optional<double> number = Data::RecordSorter::LeadingNumber(utf8.constData(), &end);
    if (number) {
        *unit = QString::fromUtf8(end).trimmed();
    }
    return number;
}

int RecordStats::Count(int column, const QString& value, bool negate) {
    const int count = Of(column).counts.value(value);
    return negate ? static_cast<int>(m_cells.size()) - count : count;
}

QString RecordStats::Tally(int column) {
    const Column& stats = Of(column);
    QStringList items;
    for (const QString& value : stats.order) {
        if (!value.isEmpty()) {
            items << QStringLiteral("%1 %2").arg(value).arg(stats.counts.value(value));
        }
    }
    return items.join(QStringLiteral("，"));
}

QString RecordStats::Extreme(int column, bool largest) {
    const Column& stats = Of(column);
    if (stats.numbers.empty()) {
        return QString();
    }
    std::pair<double, int> best = stats.numbers.front();
    for (const auto& entry : stats.numbers) {
        if (largest ? entry.first > best.first : entry.first < best.first) {
            best = entry;
        }
    }
    return m_cells[static_cast<size_t>(best.second)].value(column);
}

QString RecordStats::Mean(int column) {
    const Column& stats = Of(column);
    if (stats.numbers.empty()) {
        return QString();
    }
    double sum = 0;
    for (const auto& entry : stats.numbers) {
        sum += entry.first;
    }
    const double mean = sum / static_cast<double>(stats.numbers.size());
    QString text = QString::number(mean, 'f', 2);
    if (std::isfinite(mean)) {
        while (text.endsWith(QLatin1Char('0'))) {
            text.chop(1);
        }
        if (text.endsWith(QLatin1Char('.'))) {
            text.chop(1);
        }
        if (text == QLatin1String("-0")) {
            text = QStringLiteral("0");
        }
    }
    return stats.oneUnit ? text + stats.unit : text;
}

} // namespace Template
