#include "template/ChartPart.h"

#include "docx/DocxNamespaces.h"
#include "template/ChartSeries.h"
#include "template/ChartWorkbook.h"
#include "template/MarkupOutput.h"

#include <QStringBuilder>
#include <QXmlStreamWriter>

namespace Template {

namespace {

const QString kC = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/chart");
const QString kThresholdName = QStringLiteral("阈值");
const QString kBarAxis = QStringLiteral("111111111");
const QString kValueAxis = QStringLiteral("222222222");
const QString kBarColour = QStringLiteral("4472C4");
const QString kLineColour = QStringLiteral("C00000");

void Value(QXmlStreamWriter& xml, const char* element, const QString& value) {
    xml.writeEmptyElement(kC, QLatin1String(element));
    xml.writeAttribute(QStringLiteral("val"), value);
}

void Value(QXmlStreamWriter& xml, const char* element, const char* value) {
    Value(xml, element, QString::fromLatin1(value));
}

// A cache's points, composed as text: a writer call costs about as much as copying a kilobyte, and a
// point takes four. `append(text, i)` appends point i's text, escaped, and returns false for a gap.
template <typename Append> QByteArray Points(int count, const Append& append) {
    QString points;
    points.reserve(qsizetype(count) * 40);
    QString value;
    for (int i = 0; i < count; ++i) {
        value.resize(0);
        if (append(value, i)) {
            points += u"<c:pt idx=\"";
            ChartWorkbook::AppendNumber(points, static_cast<long long>(i));
            points += u"\"><c:v>" % value % u"</c:v></c:pt>";
        }
    }
    return points.toUtf8();
}

// A series' name: the workbook's cell above its values, and the name cached.
void SeriesName(QXmlStreamWriter& xml, ChartWorkbook::Column column, const QString& name) {
    xml.writeStartElement(kC, QStringLiteral("tx"));
    xml.writeStartElement(kC, QStringLiteral("strRef"));
    xml.writeTextElement(kC, QStringLiteral("f"), ChartWorkbook::NameCell(column));
    xml.writeStartElement(kC, QStringLiteral("strCache"));
    Value(xml, "ptCount", "1");
    xml.writeStartElement(kC, QStringLiteral("pt"));
    xml.writeAttribute(QStringLiteral("idx"), QStringLiteral("0"));
    xml.writeTextElement(kC, QStringLiteral("v"), name);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

void Categories(MarkupOutput& out, const ChartSeries& series) {
    QXmlStreamWriter& xml = out.Xml();
    const int points = static_cast<int>(series.labels.size());
    xml.writeStartElement(kC, QStringLiteral("cat"));
    xml.writeStartElement(kC, QStringLiteral("strRef"));
    xml.writeTextElement(kC, QStringLiteral("f"), ChartWorkbook::Range(ChartWorkbook::kLabels, points));
    xml.writeStartElement(kC, QStringLiteral("strCache"));
    Value(xml, "ptCount", QString::number(points));
    out.AppendMarkup(Points(points, [&](QString& text, int i) {
        text += series.labels[i].toHtmlEscaped();
        return true;
    }));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

// The values of a column of the workbook; `threshold` stands in every point when given.
void Values(MarkupOutput& out, const ChartSeries& series, ChartWorkbook::Column column,
            std::optional<double> threshold) {
    QXmlStreamWriter& xml = out.Xml();
    const int points = static_cast<int>(series.values.size());
    xml.writeStartElement(kC, QStringLiteral("val"));
    xml.writeStartElement(kC, QStringLiteral("numRef"));
    xml.writeTextElement(kC, QStringLiteral("f"), ChartWorkbook::Range(column, points));
    xml.writeStartElement(kC, QStringLiteral("numCache"));
    xml.writeTextElement(kC, QStringLiteral("formatCode"), QStringLiteral("General"));
    Value(xml, "ptCount", QString::number(points));
    out.AppendMarkup(Points(points, [&](QString& text, int i) {
        const std::optional<double> value =
            threshold ? threshold : series.values[static_cast<std::size_t>(i)];
        if (value) {
            ChartWorkbook::AppendNumber(text, *value);
        }
        return value.has_value();
    }));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

// A solid fill, or a line of the colour (dashed) when `line`.
void Shape(QXmlStreamWriter& xml, const QString& colour, bool line) {
    xml.writeStartElement(kC, QStringLiteral("spPr"));
    if (line) {
        xml.writeStartElement(Word::Ns::A, QStringLiteral("ln"));
        xml.writeAttribute(QStringLiteral("w"), QStringLiteral("22225"));
    }
    xml.writeStartElement(Word::Ns::A, QStringLiteral("solidFill"));
    xml.writeEmptyElement(Word::Ns::A, QStringLiteral("srgbClr"));
    xml.writeAttribute(QStringLiteral("val"), colour);
    xml.writeEndElement();
    if (line) {
        xml.writeEmptyElement(Word::Ns::A, QStringLiteral("prstDash"));
        xml.writeAttribute(QStringLiteral("val"), QStringLiteral("dash"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void Axes(QXmlStreamWriter& xml) {
    Value(xml, "axId", kBarAxis);
    Value(xml, "axId", kValueAxis);
}

// Opens a series: its place among the series, its name (the workbook's cell above its values) and
// its fill, or its line when `line`.
void StartSeries(QXmlStreamWriter& xml, ChartWorkbook::Column column, const QString& name, bool line) {
    const char* index = column == ChartWorkbook::kValues ? "0" : "1";
    xml.writeStartElement(kC, QStringLiteral("ser"));
    Value(xml, "idx", index);
    Value(xml, "order", index);
    SeriesName(xml, column, name);
    Shape(xml, line ? kLineColour : kBarColour, line);
}

void BarChart(MarkupOutput& out, const ChartSeries& series, const QString& valueName) {
    QXmlStreamWriter& xml = out.Xml();
    xml.writeStartElement(kC, QStringLiteral("barChart"));
    Value(xml, "barDir", "col");
    Value(xml, "grouping", "clustered");
    Value(xml, "varyColors", "0");
    StartSeries(xml, ChartWorkbook::kValues, valueName, false);
    Value(xml, "invertIfNegative", "0");
    Categories(out, series);
    Values(out, series, ChartWorkbook::kValues, std::nullopt);
    xml.writeEndElement();
    Value(xml, "gapWidth", "80");
    Axes(xml);
    xml.writeEndElement();
}

// The threshold as a line over the categories (the bars' categories: a line series needs none of its
// own); a single category gets a short dash for a marker, since a line needs two points.
void LineChart(MarkupOutput& out, const ChartSeries& series, double threshold) {
    QXmlStreamWriter& xml = out.Xml();
    xml.writeStartElement(kC, QStringLiteral("lineChart"));
    Value(xml, "grouping", "standard");
    Value(xml, "varyColors", "0");
    StartSeries(xml, ChartWorkbook::kThreshold, kThresholdName, true);
    xml.writeStartElement(kC, QStringLiteral("marker"));
    Value(xml, "symbol", series.values.size() == 1 ? "dash" : "none");
    xml.writeEndElement();
    Values(out, series, ChartWorkbook::kThreshold, threshold);
    Value(xml, "smooth", "0");
    xml.writeEndElement();
    Value(xml, "marker", "1");
    Axes(xml);
    xml.writeEndElement();
}

void AxisTitle(QXmlStreamWriter& xml, const QString& title) {
    xml.writeStartElement(kC, QStringLiteral("title"));
    xml.writeStartElement(kC, QStringLiteral("tx"));
    xml.writeStartElement(kC, QStringLiteral("rich"));
    xml.writeEmptyElement(Word::Ns::A, QStringLiteral("bodyPr"));
    xml.writeAttribute(QStringLiteral("rot"), QStringLiteral("-5400000"));
    xml.writeAttribute(QStringLiteral("vert"), QStringLiteral("horz"));
    xml.writeEmptyElement(Word::Ns::A, QStringLiteral("lstStyle"));
    xml.writeStartElement(Word::Ns::A, QStringLiteral("p"));
    xml.writeStartElement(Word::Ns::A, QStringLiteral("r"));
    xml.writeTextElement(Word::Ns::A, QStringLiteral("t"), title);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    Value(xml, "overlay", "0");
    xml.writeEndElement();
}

// The category axis at the bottom, the value axis on the left with its title and grid lines.
void Axis(QXmlStreamWriter& xml, bool categories, const QString& title) {
    xml.writeStartElement(kC, categories ? QStringLiteral("catAx") : QStringLiteral("valAx"));
    Value(xml, "axId", categories ? kBarAxis : kValueAxis);
    xml.writeStartElement(kC, QStringLiteral("scaling"));
    Value(xml, "orientation", "minMax");
    xml.writeEndElement();
    Value(xml, "delete", "0");
    Value(xml, "axPos", categories ? "b" : "l");
    if (!categories) {
        xml.writeEmptyElement(kC, QStringLiteral("majorGridlines"));
        AxisTitle(xml, title);
    }
    xml.writeEmptyElement(kC, QStringLiteral("numFmt"));
    xml.writeAttribute(QStringLiteral("formatCode"), QStringLiteral("General"));
    xml.writeAttribute(QStringLiteral("sourceLinked"), QStringLiteral("1"));
    Value(xml, "majorTickMark", "out");
    Value(xml, "minorTickMark", "none");
    Value(xml, "tickLblPos", categories ? "low" : "nextTo");
    Value(xml, "crossAx", categories ? kValueAxis : kBarAxis);
    Value(xml, "crosses", "autoZero");
    if (categories) {
        Value(xml, "auto", "1");
        Value(xml, "lblAlgn", "ctr");
        Value(xml, "lblOffset", "100");
        Value(xml, "noMultiLvlLbl", "0");
    } else {
        Value(xml, "crossBetween", "between");
    }
    xml.writeEndElement();
}

} // namespace

QByteArray ChartPart::Build(const ChartSeries& series, const QString& valueName, const QString& axisTitle,
                            std::optional<double> threshold) {
    return ChartWorkbook::Render([&](MarkupOutput& out) {
        QXmlStreamWriter& xml = out.Xml();
        xml.writeNamespace(kC, QStringLiteral("c"));
        xml.writeNamespace(Word::Ns::A, QStringLiteral("a"));
        xml.writeNamespace(Word::Ns::R, QStringLiteral("r"));
        xml.writeStartElement(kC, QStringLiteral("chartSpace"));
        Value(xml, "date1904", "0");
        Value(xml, "roundedCorners", "0"); // rounded when left out
        xml.writeStartElement(kC, QStringLiteral("chart"));
        Value(xml, "autoTitleDeleted", "1");
        xml.writeStartElement(kC, QStringLiteral("plotArea"));
        xml.writeEmptyElement(kC, QStringLiteral("layout"));
        BarChart(out, series, valueName);
        if (threshold) {
            LineChart(out, series, *threshold);
        }
        Axis(xml, true, QString());
        Axis(xml, false, axisTitle);
        xml.writeEndElement();
        if (threshold) {
            xml.writeStartElement(kC, QStringLiteral("legend"));
            Value(xml, "legendPos", "t");
            Value(xml, "overlay", "0");
            xml.writeEndElement();
        }
        Value(xml, "plotVisOnly", "1");
        Value(xml, "dispBlanksAs", "gap");
        xml.writeEndElement();
        xml.writeStartElement(kC, QStringLiteral("externalData"));
        xml.writeAttribute(Word::Ns::R, QStringLiteral("id"), QStringLiteral("rId1"));
        Value(xml, "autoUpdate", "0");
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

QByteArray ChartPart::Relationships(const QString& workbookTarget) {
    return ChartWorkbook::OneRelationship(
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/package"),
        workbookTarget);
}

} // namespace Template
