#include "template/ChartSeries.h"

#include "template/RecordStats.h"
#include "wordfile/TextSanitizer.h"

#include <cmath>

namespace Template {

ChartSeries ChartSeries::Gather(const std::vector<QStringList>& cells, int column, int labelColumn) {
    ChartSeries series;
    series.labels.reserve(static_cast<qsizetype>(cells.size()));
    series.values.reserve(cells.size());
    bool oneUnit = true;
    bool anyNumber = false;
    for (std::size_t record = 0; record < cells.size(); ++record) {
        const QStringList& row = cells[record];
        series.labels << (labelColumn < 0 ? QString::number(record + 1)
                                          : Word::TextSanitizer::MakeSafe(row.value(labelColumn).trimmed()));
        QString unit;
        const std::optional<double> number = RecordStats::NumberOf(row.value(column), &unit);
        if (!number || !std::isfinite(*number)) {
            series.values.emplace_back();
            continue;
        }
        series.values.emplace_back(*number);
        oneUnit = oneUnit && (!anyNumber || unit == series.unit);
        series.unit = unit;
        anyNumber = true;
    }
    if (!oneUnit) {
        series.unit.clear();
    }
    series.unit = Word::TextSanitizer::MakeSafe(series.unit);
    return series;
}

QString ChartSeries::AxisTitle(const QString& column) const {
    return unit.isEmpty() ? column : QStringLiteral("%1 (%2)").arg(column, unit);
}

} // namespace Template
