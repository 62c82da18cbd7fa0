#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace Template {

// What a chart tag asks for: the words after "@图表:", "COLUMN", then in any order "按 LABELCOLUMN",
// "阈值 NUMBER" and "WxH" (points), separated by spaces. Column names are single words here; whether
// they name columns of the record table is the tag's business.
struct ChartOptions {
    QString column;
    QString labelColumn; // empty: the records' positions label the categories
    std::optional<double> threshold;
    float width = 0.0f; // points; 0: the default size
    float height = 0.0f;

    // Returns nullopt with `error` set (a reason that names `typed`, the tag as the message quotes
    // it) for a missing column, an unknown word, a bad number or size, or an option given twice.
    static std::optional<ChartOptions> Parse(QStringView words, const QString& typed, QString* error);
};

} // namespace Template
