// The report's own call sequence gives the document a reader sees: checked in the model, by schema
// validation, by python-docx and by LibreOffice's rendering (one soffice run for all documents).

#include "WordTestHelpers.h"
#include "docx/DocxNamespaces.h"
#include "support/DocxPackage.h"
#include "support/ExternalTools.h"
#include "word/CWordOper.h"

#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using namespace WordTest;

namespace {

QString Text(const Word::Paragraph& paragraph) {
    QString text;
    for (const Word::Run& run : paragraph.runs)
        text += run.IsPicture() ? QStringLiteral("[picture]") : run.text;
    return text;
}

int Pictures(const Word::TableCell& cell) {
    int count = 0;
    for (const Word::Paragraph& paragraph : cell.paragraphs)
        for (const Word::Run& run : paragraph.runs)
            count += run.IsPicture() ? 1 : 0;
    return count;
}

} // namespace

class TestReportDocument : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void documentThatResults();
    void noRecordsGiveTheHeaderRowOnly();
    void readersSeeTheReport();

private:
    QList<Record> Records() const;

    QTemporaryDir m_dir;
    QString m_png, m_jpg, m_bmp;
    QString m_withRecords, m_withoutRecords;
};

void TestReportDocument::initTestCase() {
    m_png = MakePicture(m_dir.path(), QStringLiteral("wave.png"), "PNG", 300, 200);
    m_jpg = MakePicture(m_dir.path(), QStringLiteral("prpd.jpg"), "JPEG", 300, 200, QColor(200, 40, 40));
    m_bmp = MakePicture(m_dir.path(), QStringLiteral("prps.bmp"), "BMP", 300, 200, QColor(20, 140, 20));
}

QList<Record> TestReportDocument::Records() const {
    // The second record's second picture is missing: its cell stays empty.
    return {{QStringLiteral("12.5dB"), m_png, m_jpg, m_bmp},
            {QStringLiteral("3.1dB"), m_png, m_dir.filePath(QStringLiteral("gone.png")), m_jpg},
            {QStringLiteral("<&>值"), m_bmp, m_png, m_png}};
}

void TestReportDocument::documentThatResults() {
    CWordOper word;
    QStringList messages;
    word.SetMessageHandler([&](const QString& text) { messages << text; });
    QVERIFY(word.Start());
    BuildUsReport(word, SampleBaseInfo(), Records());
    QCOMPARE(messages, QStringList{QStringLiteral("The image to be inserted does not exist!")});

    const Word::Document& document = word.GetDocument();
    QCOMPARE(document.page.margins.m_fLeft, 42.0f);
    QCOMPARE(document.page.margins.m_fTop, 67.0f);
    // Cover: title, 14 empty paragraphs, four lines, 3 empty paragraphs; heading, table, heading,
    // table, an empty paragraph, the last heading.
    const auto& body = document.body;
    QCOMPARE(body.size(), std::size_t(1 + 14 + 4 + 3 + 1 + 1 + 1 + 1 + 1 + 1));
    QStringList paragraphs;
    for (const Word::BodyElement& element : body) {
        if (const auto* paragraph = std::get_if<Word::Paragraph>(&element)) {
            QVERIFY(paragraph->alignment == Word::Alignment::Center);
            paragraphs << Text(*paragraph);
        } else {
            paragraphs << QStringLiteral("<table>");
        }
    }
    QStringList expected{QStringLiteral("US局部放电检测报告")};
    for (int i = 0; i < 14; ++i)
        expected << QString();
    expected << QStringLiteral("检测人员：张三") << QStringLiteral("检测地点：城南变电站")
             << QStringLiteral("检测仪器：PD-100") << QStringLiteral("检测日期：2024-05-06") << QString()
             << QString() << QString() << QStringLiteral("一、基本信息") << QStringLiteral("<table>")
             << QStringLiteral("二、检测数据") << QStringLiteral("<table>") << QString()
             << QStringLiteral("三、分析结论");
    QCOMPARE(paragraphs, expected);

    // Fonts: title 24 pt bold, the cover lines and headings 18 pt bold, all 宋体.
    const auto& title = std::get<Word::Paragraph>(body[0]).runs.at(0).format;
    QCOMPARE(title.fontName, QStringLiteral("宋体"));
    QCOMPARE(title.sizePt, 24.0f);
    QVERIFY(title.bold);
    for (int index : {15, 22, 24, 27}) {
        const auto& format = std::get<Word::Paragraph>(body[index]).runs.at(0).format;
        QCOMPARE(format.fontName, QStringLiteral("宋体"));
        QCOMPARE(format.sizePt, 18.0f);
        QVERIFY(format.bold);
    }

    const auto& info = std::get<Word::Table>(body[23]);
    QCOMPARE(info.gridColumns, 4);
    QCOMPARE(info.rows.size(), std::size_t(4));
    const QStringList baseInfo = SampleBaseInfo();
    QCOMPARE(Text(info.rows[1].cells[3].paragraphs[0]), baseInfo[3]);
    QCOMPARE(Text(info.rows[3].cells[0].paragraphs[0]), QStringLiteral("检测人员"));
    const Word::Run& cellRun = info.rows[0].cells[0].paragraphs[0].runs.at(0);
    QCOMPARE(cellRun.format.sizePt, 13.0f);
    QVERIFY(!cellRun.format.bold);
    QVERIFY(info.rows[2].cells[2].paragraphs[0].alignment == Word::Alignment::Center);

    const auto& data = std::get<Word::Table>(body[25]);
    QCOMPARE(data.gridColumns, 14);
    QCOMPARE(data.rows.size(), std::size_t(4));
    for (const Word::TableRow& row : data.rows) {
        QList<int> spans;
        for (const Word::TableCell& cell : row.cells)
            spans << cell.gridSpan;
        QCOMPARE(spans, (QList<int>{1, 1, 4, 4, 4}));
    }
    QCOMPARE(Text(data.rows[3].cells[0].paragraphs[0]), QStringLiteral("3"));
    QCOMPARE(Text(data.rows[3].cells[1].paragraphs[0]), QStringLiteral("<&>值"));
    QCOMPARE(Pictures(data.rows[1].cells[4]), 1);
    QCOMPARE(Pictures(data.rows[2].cells[2]), 1);
    QCOMPARE(Pictures(data.rows[2].cells[3]), 0);
    QCOMPARE(Pictures(data.rows[2].cells[4]), 1);
    QCOMPARE(document.pictures.size(), std::size_t(8));
    QCOMPARE(document.pictures[2].widthPt, 133.0f);
    QCOMPARE(document.pictures[2].heightPt, 95.0f);

    m_withRecords = m_dir.filePath(QStringLiteral("US report.docx"));
    QVERIFY(word.SaveAs(m_withRecords));
    word.Quit();
}

void TestReportDocument::noRecordsGiveTheHeaderRowOnly() {
    CWordOper word;
    QVERIFY(word.Start());
    BuildUsReport(word, QStringList(9, QString()), {});
    const auto& data = std::get<Word::Table>(word.GetDocument().body.at(25));
    QCOMPARE(data.rows.size(), std::size_t(1));
    // An empty value leaves its label alone on the cover line.
    QCOMPARE(Text(std::get<Word::Paragraph>(word.GetDocument().body.at(16))), QStringLiteral("检测地点："));
    m_withoutRecords = m_dir.filePath(QStringLiteral("空报告.docx"));
    QVERIFY(word.SaveAs(m_withoutRecords));
}

void TestReportDocument::readersSeeTheReport() {
    QVERIFY(!m_withRecords.isEmpty() && !m_withoutRecords.isEmpty());
    DocxPackage package(m_withRecords);
    QVERIFY2(package.IsOpen(), qPrintable(package.ErrorString()));
    QVERIFY(!package.UsesZip64());
    // Two PNGs stay PNG, the JPEG stays JPEG, the BMP is converted: 8 pictures shown.
    QStringList media;
    for (const QString& name : package.EntryNames())
        if (name.startsWith(QLatin1String("word/media/")))
            media << name;
    QCOMPARE(media.size(), 8);
    QCOMPARE(media.filter(QStringLiteral(".jpeg")).size(), 2);
    QVERIFY(package.Read(QStringLiteral("word/media/image3.png")).startsWith("\x89PNG"));

    // Unique drawing ids; every cell with its width and a paragraph; equal grid columns over the text
    // width, four of which hold a 140 pt picture inside the cell margins.
    QXmlStreamReader xml(package.Read(QStringLiteral("word/document.xml")));
    QSet<QString> drawingIds;
    QList<int> gridColumns;
    int cells = 0, cellWidths = 0, cellsWithParagraph = 0, cellMargin = -1;
    bool paragraphInCell = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.name().toString();
        if (xml.isStartElement()) {
            if (name == QLatin1String("docPr"))
                drawingIds.insert(xml.attributes().value(QStringLiteral("id")).toString());
            else if (name == QLatin1String("tc"))
                ++cells, paragraphInCell = false;
            else if (name == QLatin1String("tcW"))
                ++cellWidths;
            else if (name == QLatin1String("p") && !paragraphInCell)
                paragraphInCell = true, ++cellsWithParagraph;
            else if (name == QLatin1String("gridCol"))
                gridColumns << xml.attributes().value(Word::Ns::W, QStringLiteral("w")).toInt();
            else if (name == QLatin1String("left") && cellMargin < 0)
                cellMargin = xml.attributes().value(Word::Ns::W, QStringLiteral("w")).toInt();
        }
    }
    QVERIFY(!xml.hasError());
    QCOMPARE(drawingIds.size(), 8);
    QCOMPARE(cells, 16 + 4 * 5);
    QCOMPARE(cellWidths, cells);
    QCOMPARE(cellsWithParagraph, cells + 1); // and the title paragraph, before any cell
    QCOMPARE(gridColumns.size(), 4 + 14);
    const int textWidth = 11906 - 2 * 42 * 20;
    QCOMPARE(gridColumns.first(), textWidth / 4);
    QCOMPARE(gridColumns.last(), textWidth / 14);
    QVERIFY(cellMargin >= 0);
    QVERIFY2(4 * gridColumns.last() - 2 * cellMargin >= 140 * 20, "a 140 pt picture fits its cell");

    ZOLT_REQUIRE(ExternalTools::MissingForSchemas());
    for (const QString& path : {m_withRecords, m_withoutRecords}) {
        const QString problems = ExternalTools::ValidateDocx(path);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    ZOLT_REQUIRE(ExternalTools::MissingForPythonDocx());
    ExternalTools::DocxView view;
    QString problem = ExternalTools::ReadWithPythonDocx(m_withRecords, &view);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(view.paragraphs.size(), 1 + 14 + 4 + 3 + 1 + 1 + 1 + 1);
    QCOMPARE(view.paragraphs.first(), QStringLiteral("US局部放电检测报告"));
    QCOMPARE(view.paragraphs.last(), QStringLiteral("三、分析结论"));
    QCOMPARE(view.tables.size(), 2);
    QCOMPARE(view.tables[0][0], (QStringList{QStringLiteral("设备名称"), QStringLiteral("1号主变"),
                                             QStringLiteral("设备类型"), QStringLiteral("油浸式变压器")}));
    QCOMPARE(view.tables[1].size(), 4);
    QCOMPARE(view.tables[1][0],
             (QStringList{QStringLiteral("序号"), QStringLiteral("有效值"), QStringLiteral("波形图"),
                          QStringLiteral("连续图"), QStringLiteral("PRPD图")}));
    QCOMPARE(view.tables[1][3].mid(0, 2), (QStringList{QStringLiteral("3"), QStringLiteral("<&>值")}));
    QCOMPARE(view.inlinePictures, 8);
    QCOMPARE(view.pageWidthPt, 11906 / 20.0);
    QCOMPARE(view.pageHeightPt, 16838 / 20.0);
    QCOMPARE(view.leftMarginPt, 42.0);
    QCOMPARE(view.rightMarginPt, 42.0);
    QCOMPARE(view.topMarginPt, 67.0);
    QCOMPARE(view.bottomMarginPt, 67.0);

    ZOLT_REQUIRE(ExternalTools::MissingForPdf());
    QTemporaryDir out;
    QStringList pdfs;
    problem = ExternalTools::ConvertToPdf({m_withRecords, m_withoutRecords}, out.path(), &pdfs);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QString text;
    problem = ExternalTools::PdfText(pdfs[0], &text);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // pdftotext may put a space between Latin and CJK text.
    text.remove(u' ');
    for (const QString& expected :
         {QStringLiteral("US局部放电检测报告"), QStringLiteral("检测地点：城南变电站"),
          QStringLiteral("一、基本信息"), QStringLiteral("油浸式变压器"), QStringLiteral("二、检测数据"),
          QStringLiteral("PRPD图"), QStringLiteral("三、分析结论")})
        QVERIFY2(text.contains(expected), qPrintable(expected));
    int images = -1;
    problem = ExternalTools::PdfImageCount(pdfs[0], &images);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(images, 8);
    problem = ExternalTools::PdfImageCount(pdfs[1], &images);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(images, 0);
    problem = ExternalTools::PdfText(pdfs[1], &text);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(text.contains(QStringLiteral("三、分析结论")));
}

QTEST_GUILESS_MAIN(TestReportDocument)
#include "tst_reportdocument.moc"
