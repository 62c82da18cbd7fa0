#include "support/ChartReader.h"
#include "support/DocxPackage.h"
#include "support/ExternalTools.h"
#include "template/ChartPart.h"
#include "template/ChartSeries.h"
#include "template/ChartWorkbook.h"
#include "template/SectionWidths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>

// The chart tag's pieces in-process: the series gathered from the records, the widths of the text
// a chart takes, and the chart part and workbook checked with the schemas, read back and opened in
// LibreOffice Calc. The tag's options are parsed in tst_tagsandparts with the other tags; the chart
// in a filled report is tested with the other tags in tst_template.

using Template::ChartPart;
using Template::ChartSeries;
using Template::ChartWorkbook;
using Template::SectionWidths;

namespace {

std::vector<QStringList> Cells(const QStringList& rows) {
    std::vector<QStringList> cells;
    for (const QString& row : rows) {
        cells.push_back(row.split(QLatin1Char('|')));
    }
    return cells;
}

} // namespace

class TestChart : public QObject {
    Q_OBJECT
private slots:
    // One point per record in order; numbers read as the record list reads them, gaps where a cell
    // has none; the unit when every number has the same one.
    void gathersSeries_data() {
        QTest::addColumn<QStringList>("rows"); // cells: value|label
        QTest::addColumn<int>("labelColumn");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("axisTitle");
        QTest::newRow("positions, shared unit, gaps")
            << QStringList{" 12.5 mV|a", "未测|b", "|c", "-3mV|d"} << -1 << "1=12.5 2= 3= 4=-3"
            << "有效值 (mV)";
        QTest::newRow("labels, units differ")
            << QStringList{"1 dB|测点 1", "2 mV| 测点 2 "} << 1 << "测点 1=1 测点 2=2"
            << "有效值";
        QTest::newRow("no units, too large a number is a gap")
            << QStringList{"7|x", "1e999|y", "0.25|z"} << 1 << "x=7 y= z=0.25"
            << "有效值";
        QTest::newRow("control characters in a label")
            << QStringList{QStringLiteral("5|a\u0001b")} << 1 << QStringLiteral("a\uFFFDb=5") << "有效值";
        QTest::newRow("no record") << QStringList() << -1 << ""
                                   << "有效值";
    }

    void gathersSeries() {
        QFETCH(QStringList, rows);
        QFETCH(int, labelColumn);
        QFETCH(QString, points);
        QFETCH(QString, axisTitle);
        const ChartSeries series = ChartSeries::Gather(Cells(rows), 0, labelColumn);
        QCOMPARE(ChartReader::Describe(series.labels, series.values), points);
        QCOMPARE(series.AxisTitle(QStringLiteral("有效值")), axisTitle);
    }

    // A chart is as wide as the text of its section: the section a paragraph's own w:sectPr ends, or
    // the next one; sizes with units, columns, and sizes a page cannot have.
    void readsSectionWidths_data() {
        QTest::addColumn<QString>("body"); // "P" marks the paragraphs whose widths are looked up
        QTest::addColumn<QString>("widths");
        const QString a4 =
            QStringLiteral("<w:pgSz w:w=\"11906\"/><w:pgMar w:left=\"1440\" w:right=\"1466\"/>");
        QTest::newRow("paragraph's own section, the body's after it")
            << "<P/><w:p><w:pPr><w:sectPr>" + a4 + "</w:sectPr></w:pPr></w:p><P/>" +
                   "<w:sectPr><w:pgSz w:w=\"16838\"/><w:pgMar w:left=\"720\" w:right=\"718\" "
                   "w:gutter=\"400\"/></w:sectPr>"
            << "450 750";
        QTest::newRow("units and two columns")
            << "<P/><w:sectPr><w:pgSz w:w=\"8.5in\"/><w:pgMar w:left=\"2cm\" w:right=\"20mm\"/>"
               "<w:cols w:num=\"2\" w:space=\"36pt\"/></w:sectPr>"
            << "231.307";
        QTest::newRow("no section: A4 with Word's margins") << "<P/>"
                                                            << "415.6";
        const auto section = [](const QString& width) {
            return "<w:p><w:pPr><w:sectPr><w:pgSz w:w=\"" + width + "\"/></w:sectPr></w:pPr></w:p>";
        };
        QTest::newRow("margins wider than the page, a page beyond any, a number beyond a double")
            << "<P/>" + section("100") + "<P/>" + section("99999999") + "<P/>" + section(QString(400, '9'))
            << "72 1584 415.6";
    }

    void readsSectionWidths() {
        QFETCH(QString, body);
        QFETCH(QString, widths);
        const QByteArray xml =
            ("<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
             QString(body).replace(QStringLiteral("<P/>"),
                                   QStringLiteral("<w:p><w:r><w:t>P</w:t></w:r></w:p>")) +
             "</w:body></w:document>")
                .toUtf8();
        const SectionWidths sections(xml);
        QStringList found;
        QXmlStreamReader reader(xml);
        qint64 paragraph = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == u"p") {
                paragraph = reader.characterOffset();
            } else if (reader.isCharacters() && reader.text() == u"P") {
                found << QString::number(sections.At(paragraph));
            }
        }
        QCOMPARE(found.join(QLatin1Char(' ')), widths);
    }

    // The chart part, its relationships and the workbook's parts are valid against the schemas, and
    // the chart caches what the series holds, the threshold in every point.
    void writesValidChartAndWorkbook_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("withThreshold");
        QTest::newRow("threshold, gaps, escaped labels")
            << QStringList{"1.5|<a&b>", "|\"q\"", "3.25|c"} << true;
        QTest::newRow("no threshold") << QStringList{"4|a", "5|b"} << false;
        QTest::newRow("one point") << QStringList{"4|a"} << true;
        QTest::newRow("no point") << QStringList() << true;
    }

    void writesValidChartAndWorkbook() {
        QFETCH(QStringList, rows);
        QFETCH(bool, withThreshold);
        const ChartSeries series = ChartSeries::Gather(Cells(rows), 0, 1);
        const std::optional<double> threshold = withThreshold ? std::optional<double>(2) : std::nullopt;
        const QByteArray chart =
            ChartPart::Build(series, QStringLiteral("有效值"), QStringLiteral("有效值"), threshold);

        QStringList expected{QStringLiteral("有效值: ") +
                             ChartReader::Describe(series.labels, series.values)};
        if (withThreshold) {
            expected << QStringLiteral("阈值: ") +
                            ChartReader::Describe(
                                series.labels, std::vector<std::optional<double>>(series.values.size(), 2.0));
        }
        QCOMPARE(ChartReader::Caches(chart), expected);

        ZOLT_REQUIRE(ExternalTools::MissingForSchemas());
        QTemporaryDir folder;
        const auto save = [&](const QString& name, const QByteArray& bytes) {
            QFile file(folder.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(save(QStringLiteral("chart.xml"), chart));
        QVERIFY(save(QStringLiteral("chart.xml.rels"),
                     ChartPart::Relationships(QStringLiteral("../embeddings/a.xlsx"))));
        QVERIFY(save(QStringLiteral("data.xlsx"), ChartWorkbook::Build(series, QStringLiteral("测试点"),
                                                                       QStringLiteral("有效值"), threshold)));
        DocxPackage workbook(folder.filePath(QStringLiteral("data.xlsx")));
        QVERIFY2(workbook.ExtractTo(folder.filePath(QStringLiteral("xlsx"))),
                 qPrintable(workbook.ErrorString()));
        const QString sml = QStringLiteral("ISO-IEC29500-4_2016/sml.xsd");
        const QString relationships = QStringLiteral("ecma/fouth-edition/opc-relationships.xsd");
        const QList<QPair<QString, QString>> parts{
            {QStringLiteral("chart.xml"), QStringLiteral("ISO-IEC29500-4_2016/dml-chart.xsd")},
            {QStringLiteral("chart.xml.rels"), relationships},
            {QStringLiteral("xlsx/[Content_Types].xml"),
             QStringLiteral("ecma/fouth-edition/opc-contentTypes.xsd")},
            {QStringLiteral("xlsx/_rels/.rels"), relationships},
            {QStringLiteral("xlsx/xl/_rels/workbook.xml.rels"), relationships},
            {QStringLiteral("xlsx/xl/workbook.xml"), sml},
            {QStringLiteral("xlsx/xl/worksheets/sheet1.xml"), sml}};
        for (const auto& [part, schema] : parts) {
            QCOMPARE(ExternalTools::ValidateXml(folder.filePath(part), schema), QString());
        }
    }

    // LibreOffice Calc opens the workbook and finds the names, labels and numbers the chart shows,
    // the gaps empty.
    void workbookOpensInCalc() {
        ZOLT_REQUIRE(ExternalTools::MissingForCalc());
        const ChartSeries series = ChartSeries::Gather(
            Cells({"12.5 mV|测点 1", "未测|测点, 2", "0.000125 mV|测点 3", "-7 mV|"}), 0, 1);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("data.xlsx"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ChartWorkbook::Build(series, QStringLiteral("测试点"), QStringLiteral("有效值"), 10.5));
        file.close();
        QString csv;
        QCOMPARE(ExternalTools::ConvertToCsv(path, folder.path(), &csv), QString());
        QCOMPARE(csv.trimmed().split(QLatin1Char('\n')),
                 (QStringList{"测试点,有效值,阈值", "测点 1,12.5,10.5", "\"测点, 2\",,10.5",
                              "测点 3,0.000125,10.5", ",-7,10.5"}));
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
