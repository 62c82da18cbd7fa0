#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace Template {

// The points a chart shows: one per ticked record, in report order. A value is the number its cell
// starts with, read as the record list sorts (RecordStats::NumberOf); a cell without one, or with
// one too large for a double, is a gap. Labels are the label column's cells, or the records'
// positions (1, 2, 3 … as {{序号}} prints them) without one. Texts are safe for XML.
struct ChartSeries {
    QStringList labels;
    std::vector<std::optional<double>> values;
    QString unit; // the unit every number shares; empty when they differ or have none

    // `labelColumn` < 0: positions. Goes through the records once.
    static ChartSeries Gather(const std::vector<QStringList>& cells, int column, int labelColumn);

    // "有效值 (mV)", or the column alone without a shared unit.
    QString AxisTitle(const QString& column) const;
};

} // namespace Template
