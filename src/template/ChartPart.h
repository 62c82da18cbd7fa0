#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Template {

struct ChartSeries;

// A chart part (word/charts/….xml): a clustered column chart of the series, its values and labels
// cached in the part (what LibreOffice draws and Word shows until the data is edited) and taken from
// the cells of the embedded workbook (ChartWorkbook) that its relationship "rId1" names. A
// threshold adds a line series named "阈值" at that value over the whole category axis, and a
// legend. Missing values are gaps. The value axis has `axisTitle`.
class ChartPart {
public:
    static QByteArray Build(const ChartSeries& series, const QString& valueName, const QString& axisTitle,
                            std::optional<double> threshold);
    // The chart part's relationships: its embedded workbook at `workbookTarget` (relative to the
    // chart part's folder).
    static QByteArray Relationships(const QString& workbookTarget);
};

} // namespace Template
