#include "template/ChartPlacer.h"

#include "docx/DocxNamespaces.h"
#include "template/ChartPart.h"
#include "template/ChartSeries.h"
#include "template/ChartWorkbook.h"
#include "template/MarkupOutput.h"
#include "template/PicturePlacer.h"

#include <QXmlStreamWriter>

#include <cmath>

namespace Template {

namespace {

const QString kChartNs = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/chart");
constexpr double kEmuPerPoint = 12700;

QString Emu(float points) {
    return QString::number(std::llround(double(points) * kEmuPerPoint));
}

// A w:drawing with the chart inline. The template's root may not declare the namespaces the drawing
// uses: it declares them itself, so they hold for it only, whatever prefixes the template uses.
void WriteDrawing(QXmlStreamWriter& xml, float width, float height, int id, const QString& relationshipId) {
    using namespace Word::Ns;
    xml.writeCharacters(QString()); // ends the run's start tag: the declarations go on the drawing
    xml.writeNamespace(W, QStringLiteral("w"));
    xml.writeNamespace(WP, QStringLiteral("wp"));
    xml.writeNamespace(A, QStringLiteral("a"));
    xml.writeNamespace(kChartNs, QStringLiteral("c"));
    xml.writeNamespace(R, QStringLiteral("r"));
    xml.writeStartElement(W, QStringLiteral("drawing"));
    xml.writeStartElement(WP, QStringLiteral("inline"));
    for (const char* side : {"distT", "distB", "distL", "distR"}) {
        xml.writeAttribute(QLatin1String(side), QStringLiteral("0"));
    }
    xml.writeEmptyElement(WP, QStringLiteral("extent"));
    xml.writeAttribute(QStringLiteral("cx"), Emu(width));
    xml.writeAttribute(QStringLiteral("cy"), Emu(height));
    xml.writeEmptyElement(WP, QStringLiteral("effectExtent"));
    for (const char* side : {"l", "t", "r", "b"}) {
        xml.writeAttribute(QLatin1String(side), QStringLiteral("0"));
    }
    xml.writeEmptyElement(WP, QStringLiteral("docPr"));
    xml.writeAttribute(QStringLiteral("id"), QString::number(id));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Chart %1").arg(id));
    xml.writeEmptyElement(WP, QStringLiteral("cNvGraphicFramePr"));
    xml.writeStartElement(A, QStringLiteral("graphic"));
    xml.writeStartElement(A, QStringLiteral("graphicData"));
    xml.writeAttribute(QStringLiteral("uri"), kChartNs);
    xml.writeEmptyElement(kChartNs, QStringLiteral("chart"));
    xml.writeAttribute(R, QStringLiteral("id"), relationshipId);
    xml.writeEndElement(); // graphicData
    xml.writeEndElement(); // graphic
    xml.writeEndElement(); // inline
    xml.writeEndElement(); // drawing
}

} // namespace

ChartPlacer::ChartPlacer(PicturePlacer& drawings, QSet<QString> usedIds, QSet<QString> usedNames)
    : m_drawings(drawings), m_usedIds(std::move(usedIds)), m_usedNames(std::move(usedNames)) {}

// The first number whose part, relationships and workbook names and relationship id are all free.
void ChartPlacer::Name(Chart& chart) {
    const auto free = [&](const QString& name) { return !m_usedNames.contains(name.toCaseFolded()); };
    do {
        const QString number = QString::number(++m_counter);
        chart.target = QStringLiteral("charts/zolt-chart%1.xml").arg(number);
        chart.workbook = QStringLiteral("embeddings/zolt-chart%1.xlsx").arg(number);
        chart.relationshipId = QStringLiteral("rIdZoltChart%1").arg(number);
    } while (!free(chart.target) || !free(chart.workbook) ||
             !free(QStringLiteral("charts/_rels/zolt-chart%1.xml.rels").arg(m_counter)) ||
             m_usedIds.contains(chart.relationshipId));
}

void ChartPlacer::Place(MarkupOutput& out, const Content& content, float width, float height) {
    Chart chart;
    Name(chart);
    const QString name = chart.target.mid(chart.target.lastIndexOf(QLatin1Char('/')) + 1);
    const QString word = QStringLiteral("word/");
    m_parts[word + chart.target] = ChartPart::Build(
        content.series, content.valueName, content.series.AxisTitle(content.valueName), content.threshold);
    m_parts[word + QStringLiteral("charts/_rels/") + name + QStringLiteral(".rels")] =
        ChartPart::Relationships(QStringLiteral("../") + chart.workbook);
    m_parts[word + chart.workbook] =
        ChartWorkbook::Build(content.series, content.labelName, content.valueName, content.threshold);
    WriteDrawing(out.Xml(), width, height, m_drawings.NewDrawingId(), chart.relationshipId);
    m_charts.push_back(std::move(chart));
}

void ChartPlacer::TakeParts(std::map<QString, QByteArray>* parts) {
    parts->merge(m_parts);
    m_parts.clear();
}

} // namespace Template
