#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Reads charts for the tests: what a chart part caches, and the charts of a .docx in the order their
// drawings stand, each with its drawing's size and id and the parts it refers to.
class ChartReader {
public:
    struct Chart {
        QString drawingId; // wp:docPr id
        qint64 cx = 0, cy = 0;
        QString relationshipId;
        QString part;       // its entry name, e.g. word/charts/zolt-chart1.xml
        QString workbook;   // the entry name of its embedded workbook
        QStringList series; // Caches() of the part
        QString axisTitle;  // the value axis's
    };

    // Points as Caches() shows them: "LABEL=VALUE …", a gap as "LABEL=".
    static QString Describe(const QStringList& labels, const std::vector<std::optional<double>>& values);
    // One entry per series, "NAME: LABEL=VALUE LABEL=VALUE …", a gap as "LABEL="; a series without
    // categories of its own shows the ones before it, as the chart does.
    static QStringList Caches(const QByteArray& chart);
    // The charts of the document; `error` says what could not be resolved (a relationship without
    // its part, a chart without its workbook).
    static QList<Chart> ChartsOf(const QString& docx, QString* error);
};
