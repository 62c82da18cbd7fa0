#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace Template {

class MarkupOutput;
class PicturePlacer;
struct ChartSeries;

// Puts the charts into the report: for each chart tag the chart part, its relationships and its
// embedded workbook, named so that they repeat no entry or relationship of the template, and the
// inline drawing that shows the chart. The parts are kept in memory until the package is assembled;
// each holds its chart's points once.
class ChartPlacer {
public:
    struct Chart {
        QString relationshipId; // the document's relationship to the chart part
        QString target;         // relative to word/, e.g. "charts/zolt-chart1.xml"
        QString workbook;       // relative to word/, e.g. "embeddings/zolt-chart1.xlsx"
    };
    struct Content {
        const ChartSeries& series;
        QString valueName; // the charted column
        QString labelName; // the label column, or what the positions are called
        std::optional<double> threshold;
    };

    // New drawings take their ids from `drawings`, which numbers all drawings the report adds.
    // `usedIds` and `usedNames` are the template's relationship ids and entry names (relative to
    // word/, case-folded), which new ones must not repeat.
    ChartPlacer(PicturePlacer& drawings, QSet<QString> usedIds, QSet<QString> usedNames);

    // Writes the chart's inline drawing, `width` x `height` points, at the output's place.
    void Place(MarkupOutput& out, const Content& content, float width, float height);

    const std::vector<Chart>& Charts() const { return m_charts; }
    // The parts the charts add, by entry name; `parts` takes them for the package.
    void TakeParts(std::map<QString, QByteArray>* parts);

private:
    void Name(Chart& chart);

    PicturePlacer& m_drawings;
    QSet<QString> m_usedIds;
    QSet<QString> m_usedNames;
    int m_counter = 0;
    std::vector<Chart> m_charts;
    std::map<QString, QByteArray> m_parts;
};

} // namespace Template
