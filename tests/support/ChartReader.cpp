#include "support/ChartReader.h"

#include "support/DocxPackage.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <optional>
#include <vector>

namespace {

const QString kChartNs = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/chart");
const QString kRelationshipsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

} // namespace

QString ChartReader::Describe(const QStringList& labels, const std::vector<std::optional<double>>& values) {
    if (static_cast<std::size_t>(labels.size()) != values.size())
        return QStringLiteral("(%1 labels, %2 values)").arg(labels.size()).arg(values.size());
    QStringList points;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const std::optional<double>& value = values[static_cast<std::size_t>(i)];
        points << labels[i] + QLatin1Char('=') + (value ? QString::number(*value) : QString());
    }
    return points.join(QLatin1Char(' '));
}

namespace {

// The relationships of a part: id -> target, resolved against the part's folder.
QHash<QString, QString> Targets(DocxPackage& package, const QString& part) {
    const QString folder = part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
    const QString rels =
        folder + QStringLiteral("_rels/") + part.mid(folder.size()) + QStringLiteral(".rels");
    QHash<QString, QString> targets;
    QXmlStreamReader reader(package.Read(rels));
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"Relationship") {
            targets.insert(
                reader.attributes().value(QLatin1String("Id")).toString(),
                QDir::cleanPath(folder + reader.attributes().value(QLatin1String("Target")).toString()));
        }
    }
    return targets;
}

} // namespace

QStringList ChartReader::Caches(const QByteArray& chart) {
    QStringList series;
    QXmlStreamReader reader(chart);
    QString name;
    QStringList labels;
    std::vector<std::optional<double>> values;
    QString in; // "tx", "cat" or "val"
    int index = -1;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == u"ser") {
            series << name + QStringLiteral(": ") + Describe(labels, values);
        }
        if (!reader.isStartElement() || reader.namespaceUri() != kChartNs)
            continue;
        const QStringView element = reader.name();
        if (element == u"tx" || element == u"cat" || element == u"val") {
            in = element.toString();
        } else if (element == u"ptCount" && in != QLatin1String("tx")) {
            const int count = reader.attributes().value(QLatin1String("val")).toInt();
            if (in == QLatin1String("cat"))
                labels = QStringList(count, QString());
            else
                values.assign(static_cast<std::size_t>(count), std::nullopt);
        } else if (element == u"pt") {
            index = reader.attributes().value(QLatin1String("idx")).toInt();
        } else if (element == u"v") {
            const QString text = reader.readElementText();
            if (in == QLatin1String("tx"))
                name = text;
            else if (in == QLatin1String("cat") && index >= 0 && index < labels.size())
                labels[index] = text;
            else if (in == QLatin1String("val") && index >= 0 && index < static_cast<int>(values.size()))
                values[static_cast<std::size_t>(index)] = text.toDouble();
        }
    }
    return series;
}

QList<ChartReader::Chart> ChartReader::ChartsOf(const QString& docx, QString* error) {
    DocxPackage package(docx);
    const QHash<QString, QString> targets = Targets(package, QStringLiteral("word/document.xml"));
    QList<Chart> charts;
    QXmlStreamReader reader(package.Read(QStringLiteral("word/document.xml")));
    Chart chart;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == u"extent") {
            chart = Chart();
            chart.cx = attributes.value(QLatin1String("cx")).toLongLong();
            chart.cy = attributes.value(QLatin1String("cy")).toLongLong();
        } else if (reader.name() == u"docPr") {
            chart.drawingId = attributes.value(QLatin1String("id")).toString();
        } else if (reader.name() == u"chart" && reader.namespaceUri() == kChartNs) {
            chart.relationshipId = attributes.value(kRelationshipsNs, QLatin1String("id")).toString();
            chart.part = targets.value(chart.relationshipId);
            const QStringList workbooks = Targets(package, chart.part).values();
            chart.workbook = workbooks.value(0);
            if (chart.part.isEmpty() || !package.Contains(chart.part) || workbooks.size() != 1 ||
                !package.Contains(chart.workbook)) {
                *error = QStringLiteral("chart %1 (%2) unresolved").arg(chart.relationshipId, chart.part);
            }
            const QByteArray part = package.Read(chart.part);
            chart.series = Caches(part);
            QXmlStreamReader title(part); // the one text run of the part
            while (!title.atEnd()) {
                if (title.readNext() == QXmlStreamReader::StartElement && title.name() == u"t")
                    chart.axisTitle = title.readElementText();
            }
            charts << chart;
        }
    }
    return charts;
}
