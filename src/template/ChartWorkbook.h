#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace Template {

class MarkupOutput;
struct ChartSeries;

// The workbook embedded with a chart, where Word and WPS edit its data: a minimal SpreadsheetML
// package (content types, relationships, the workbook and one sheet, strings inline). The sheet holds
// the labels in column A, the values in B and the threshold, when there is one, in C, each under its
// name in row 1; a gap is an empty cell. The chart part refers to the same cells (Range).
class ChartWorkbook {
public:
    enum Column { kLabels = 0, kValues = 1, kThreshold = 2 };

    // The .xlsx file's bytes. Throws TemplateError of kind Output when libzip cannot make the
    // package (out of memory).
    static QByteArray Build(const ChartSeries& series, const QString& labelName, const QString& valueName,
                            std::optional<double> threshold);

    // An XML part that `write` writes, in UTF-8 with its declaration.
    static QByteArray Render(const std::function<void(MarkupOutput&)>& write);
    // A relationships part with the one relationship "rId1" of `type` to `target`.
    static QByteArray OneRelationship(const QString& type, const QString& target);

    // "Sheet1!$B$1": a column's name cell; "Sheet1!$B$2:$B$7": its cells for `points` points.
    static QString NameCell(Column column);
    static QString Range(Column column, int points);
    // The shortest text that reads back as the same double ("12.5", "1e+20"), appended to `text`;
    // the standard library's conversion, which costs a tenth of QString::number's.
    static void AppendNumber(QString& text, double value);
    static void AppendNumber(QString& text, long long value);
    static QString Number(double value);
};

} // namespace Template
