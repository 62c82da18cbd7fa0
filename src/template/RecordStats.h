#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <unordered_map>
#include <vector>

namespace Template {

// Figures over one column of the ticked records, for the counting tags: how often each value
// (its cell trimmed) occurs, in order of first appearance, and the cells that start with a number
// as the record list reads them. Each column is gone through once, on its first use, so that any
// number of tags costs no more than the records once per column.
class RecordStats {
public:
    explicit RecordStats(const std::vector<QStringList>& cells) : m_cells(cells) {}

    // How many records have (`negate`: do not have) `value` in the column.
    int Count(int column, const QString& value, bool negate);
    // "正常 8，注意 2": each value with its count; empty cells are left out.
    QString Tally(int column);
    // The cell with the largest (smallest) number, as it stands; the first of equal ones.
    QString Extreme(int column, bool largest);
    // The numbers' mean, at most 2 decimals, with the unit when all counted cells share one.
    QString Mean(int column);

    // The number a cell starts with as the record list reads it, and what follows it, trimmed, as
    // `unit`; nullopt for a cell without a number.
    static std::optional<double> NumberOf(const QString& cell, QString* unit);

private:
    struct Column {
        QHash<QString, int> counts;
        QStringList order;                           // values in order of first appearance
        std::vector<std::pair<double, int>> numbers; // number, record
        QString unit;                                // the one unit after every number, if they share one
        bool oneUnit = true;
    };

    const Column& Of(int column);

    const std::vector<QStringList>& m_cells;
    std::unordered_map<int, Column> m_columns;
};

} // namespace Template
