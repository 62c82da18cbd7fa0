// The template module's insides, in process: the tag language parsed over a table of good and bad
// tags, and parts filled from bytes to bytes. The templates run through zolt-report are in
// tst_template.cpp.

#include "report/CReport.h"
#include "template/PartFiller.h"
#include "template/ReportNumber.h"
#include "template/Tag.h"
#include "template/TemplateError.h"

#include <QBuffer>
#include <QtTest>

using Template::Tag;

namespace {

const QStringList kColumns = {QStringLiteral("序号"), QStringLiteral("测试位置"), QStringLiteral("有效值"),
                              QStringLiteral("结论")};

const QString kDocumentStart = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>");
const QString kDocumentEnd = QStringLiteral("</w:body></w:document>");

QString P(const QString& text) {
    return QStringLiteral("<w:p><w:r><w:t>%1</w:t></w:r></w:p>").arg(text);
}

// A one-row table whose cells hold `cells`.
QString Row(const QStringList& cells) {
    QString row = QStringLiteral("<w:tbl><w:tr>");
    for (const QString& cell : cells) {
        row += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"900\"/></w:tcPr>%1</w:tc>").arg(P(cell));
    }
    return row + QStringLiteral("</w:tr></w:tbl>");
}

// Three records: 1 甲 正常, 2 乙 异常, 3 丙 正常.
Template::ReportData ThreeRecords() {
    Template::ReportData data;
    data.baseInfo.m_strInspector = QStringLiteral("张工");
    data.columnNames = kColumns;
    const QStringList places = {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")};
    const QStringList verdicts = {QStringLiteral("正常"), QStringLiteral("异常"), QStringLiteral("正常")};
    for (int i = 0; i < 3; ++i) {
        const QString value = QStringLiteral("%1 mV").arg(i + 1);
        data.cells.push_back({QString::number(i + 1), places[i], value, verdicts[i]});
        data.records.Append(value, QString(), QString(), QString());
    }
    return data;
}

// The visible text of a filled part: each paragraph's w:t texts joined, paragraphs by "|".
QString Paragraphs(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    QStringList paragraphs;
    bool inText = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("p")) {
            paragraphs << QString();
        }
        inText = (reader.isStartElement() && reader.name() == QLatin1String("t")) ||
                 (inText && !reader.isEndElement());
        if (inText && reader.isCharacters()) {
            paragraphs.last() += reader.text();
        }
    }
    return reader.hasError() ? QStringLiteral("malformed: ") + reader.errorString()
                             : paragraphs.join(QLatin1Char('|'));
}

} // namespace

class TestTagsAndParts : public QObject {
    Q_OBJECT

private slots:
    // What a tag's text says: its kind, the column and condition it names, the picture and size;
    // or the one line that refuses it.
    void parsesTags_data() {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<bool>("anyColumn"); // checking a template before a data set is open
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("negate");
        QTest::addColumn<bool>("perRecord");
        QTest::addColumn<QString>("detail"); // whenNone, picture and size; a chart's label column, threshold
        QTest::addColumn<QString>("error");
        const int text = static_cast<int>(Tag::Kind::Text);
        const int picture = static_cast<int>(Tag::Kind::Picture);
        const int open = static_cast<int>(Tag::Kind::BlockOpen);
        const int close = static_cast<int>(Tag::Kind::BlockClose);
        auto good = [&](const char* name, const QString& inner, int kind, int column, const QString& value,
                        bool negate, bool perRecord, const QString& detail = QString()) {
            QTest::newRow(name) << inner << false << kind << column << value << negate << perRecord << detail
                                << QString();
        };
        auto bad = [&](const char* name, const QString& inner, const QString& error) {
            QTest::newRow(name) << inner << false << -1 << -1 << QString() << false << false << QString()
                                << error;
        };
        good("basic information", " 检测人员 ", text, -1, {}, false, false);
        good("report fact", "记录数", text, -1, {}, false, false);
        good("record number", "序号", text, -1, {}, false, true);
        good("column", "列:测试位置", text, 1, {}, false, true);
        good("column after a full-width colon", "列 ： 结论", text, 3, {}, false, true);
        good("count", "计数:结论=正常", text, 3, "正常", false, false);
        good("count of the others", "计数: 结论 != 异常 ", text, 3, "异常", true, false);
        good("count of empty cells", "计数:结论=", text, 3, "", false, false);
        good("tally", "统计:结论", text, 3, {}, false, false);
        good("row condition", "仅当:结论=异常", static_cast<int>(Tag::Kind::Only), 3, "异常", false, true);
        good("merged column", "合并列:测试位置", static_cast<int>(Tag::Kind::Merge), 1, {}, false, true);
        good("picture", "@图2", picture, -1, {}, false, true, "false 1 0x0");
        good("picture with a size", "@ 图3 160x120", picture, -1, {}, false, true, "false 2 160x120");
        good("picture with a fractional size", "@图1 80.5 × 60", picture, -1, {}, false, true,
             "false 0 80.5x60");
        good("block", "#若 计数:结论=异常", open, 3, "异常", false, false, "false -1 0x0");
        good("block when none", "#若无 计数:结论!=正常", open, 3, "正常", true, false, "true -1 0x0");
        good("block end", "/若", close, -1, {}, false, false, "false -1 0x0");
        good("block-when-none end", "/若无", close, -1, {}, false, false, "true -1 0x0");
        good("report number", "报告编号:ZJ-{nnnn}", static_cast<int>(Tag::Kind::ReportNumber), -1,
             "ZJ-{nnnn}", false, false);
        const int chart = static_cast<int>(Tag::Kind::Chart);
        good("chart", "@图表:有效值", chart, 2, {}, false, false, "false -1 0x0 按-1 阈值");
        good("chart with every option in any order, full-width spaces",
             "@图表： 有效值 400×150　阈值 -2.5e1 按 测试位置 ", chart, 2, {}, false, false,
             "false -1 400x150 按1 阈值-25");
        good("chart with a label and a fractional size", "@图表:有效值 按 结论 120.5x80", chart, 2, {}, false,
             false, "false -1 120.5x80 按3 阈值");
        QTest::newRow("any column before a data set")
            << "列:站名" << true << text << -1 << QString() << false << true << QString() << QString();
        QTest::newRow("any chart columns before a data set")
            << "@图表:站名 按 测点 阈值 3" << true << chart << -1 << QString() << false << false
            << "false -1 0x0 按-1 阈值3" << QString();
        bad("unknown name", "检测员", "unknown tag {{检测员}}");
        bad("no such picture", "@图4", "unknown tag {{@图4}}");
        bad("picture number run on", "@图10", "unknown tag {{@图10}}");
        bad("picture of no width", "@图1 0x10", "bad picture size in tag {{@图1 0x10}}");
        bad("picture beyond a page", "@图1 2000x10", "bad picture size in tag {{@图1 2000x10}}");
        bad("column without a name", "列:", "unknown tag {{列:}}");
        bad("unknown column", "列:站名", "unknown column \"站名\" in tag {{列:站名}}");
        bad("count without a condition", "计数:", "malformed condition in tag {{计数:}}");
        bad("condition without a column", "仅当:=正常", "malformed condition in tag {{仅当:=正常}}");
        bad("block without a count", "#若 结论=异常", "malformed condition in tag {{#若 结论=异常}} (计数:");
        bad("report number without a counter", "报告编号:ZJ-001",
            "report number pattern without {n} in tag {{报告编号:ZJ-001}}");
        bad("chart of an unknown column", "@图表:站名", "unknown column \"站名\" in tag {{@图表:站名}}");
        bad("chart labelled by an unknown column", "@图表:有效值 按 站名",
            "unknown column \"站名\" in tag {{@图表:有效值 按 站名}}");
        bad("chart of no column", "@图表:", "chart tag {{@图表:}} names no column");
        bad("chart with an option first", "@图表:按 测试位置",
            "chart tag {{@图表:按 测试位置}} names no column");
        bad("chart with an unknown word", "@图表:有效值 红色",
            "unknown word \"红色\" in chart tag {{@图表:有效值 红色}}");
        bad("chart 按 without a column", "@图表:有效值 按 阈值 3", "按 without a label column in chart tag");
        bad("chart threshold without a number", "@图表:有效值 阈值", "bad threshold in chart tag");
        bad("chart threshold not a number", "@图表:有效值 阈值 高", "bad threshold in chart tag");
        bad("chart threshold not finite", "@图表:有效值 阈值 inf", "bad threshold in chart tag");
        bad("chart size malformed", "@图表:有效值 300x", "bad chart size \"300x\" in tag");
        bad("chart size zero", "@图表:有效值 0x100", "bad chart size \"0x100\" in tag");
        bad("chart size beyond a page", "@图表:有效值 1600x100", "bad chart size \"1600x100\" in tag");
        bad("chart label twice", "@图表:有效值 按 测试位置 按 结论", "按 given twice in chart tag");
        bad("chart threshold twice", "@图表:有效值 阈值 1 阈值 2", "阈值 given twice in chart tag");
        bad("chart size twice", "@图表:有效值 300x200 200x100", "a second size \"200x100\" in chart tag");
        bad("longer than any tag", QString(300, QLatin1Char('x')), "unknown tag {{xxxx");
    }

    void parsesTags() {
        QFETCH(QString, inner);
        QFETCH(bool, anyColumn);
        QFETCH(int, kind);
        QFETCH(int, column);
        QFETCH(QString, value);
        QFETCH(bool, negate);
        QFETCH(bool, perRecord);
        QFETCH(QString, detail);
        QFETCH(QString, error);
        QString reason;
        const std::optional<Tag> tag = Tag::Parse(inner, anyColumn ? nullptr : &kColumns, &reason);
        if (!error.isEmpty()) {
            QVERIFY(!tag);
            QVERIFY2(reason.startsWith(error), qPrintable(reason));
            return;
        }
        QVERIFY2(tag, qPrintable(reason));
        QCOMPARE(static_cast<int>(tag->kind), kind);
        QCOMPARE(tag->column, column);
        QCOMPARE(tag->value, value);
        QCOMPARE(tag->negate, negate);
        QCOMPARE(tag->IsRecordTag(), perRecord);
        if (!detail.isEmpty()) {
            QString got = QStringLiteral("%1 %2 %3x%4")
                              .arg(tag->whenNone ? "true" : "false")
                              .arg(tag->picture)
                              .arg(tag->width)
                              .arg(tag->height);
            if (tag->kind == Tag::Kind::Chart) {
                got += QStringLiteral(" 按%1 阈值%2")
                           .arg(tag->labelColumn)
                           .arg(tag->threshold ? QString::number(*tag->threshold) : QString());
            }
            QCOMPARE(got, detail);
        }
    }

    // One part filled from its bytes: what its paragraphs then say, or why it is refused. The
    // record rows write their unchanging cells from markup rendered once, so they check that it
    // lands where the writer stands.
    void fillsPart_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QString>("paragraphs");
        QTest::addColumn<QString>("error");
        QTest::newRow("tag across runs")
            << QStringLiteral("<w:p><w:r><w:t>由{{检测</w:t></w:r><w:r><w:t>人员}}检测</w:t></w:r></w:p>")
            << false << "由张工检测" << QString();
        QTest::newRow("record row once per record")
            << Row({"{{序号}}", "{{列:测试位置}}", "固定", "{{有效值}}"}) << false
            << "1|甲|固定|1 mV|2|乙|固定|2 mV|3|丙|固定|3 mV" << QString();
        QTest::newRow("rows that meet their condition")
            << Row({"{{仅当:结论=正常}}{{序号}}", "{{列:测试位置}}"}) << false << "1|甲|2|丙" << QString();
        QTest::newRow("figures over the records")
            << P("{{计数:结论=正常}}/{{记录数}}; {{统计:结论}}; {{最大值:有效值}}") << false
            << "2/3; 正常 2，异常 1; 3 mV" << QString();
        QTest::newRow("block left out")
            << P("前") + P("{{#若无 计数:结论=异常}}") + P("无异常") + P("{{/若无}}") + P("后") << false
            << "前|后" << QString();
        QTest::newRow("block kept") << P("{{#若 计数:结论=异常}}") + P("有异常") + P("{{/若}}") << false
                                    << "有异常" << QString();
        QTest::newRow("header with basic information") << P("{{检测人员}}") << true << "张工" << QString();
        QTest::newRow("record tag in a header")
            << Row({"{{序号}}"}) << true << QString()
            << "record tag {{序号}} in word/header1.xml, paragraph 1: record and picture tags work only in "
               "the table rows of the body";
        QTest::newRow("record tag outside a row")
            << P("{{列:结论}}") << false << QString()
            << "record tag {{列:结论}} outside a table row in word/document.xml, paragraph 1";
        QTest::newRow("unclosed tag") << P("{{检测人员") << false << QString()
                                      << "unclosed tag \"{{检测人员\" (no \"}}\") in word/document.xml";
        QTest::newRow("block not closed")
            << P("{{#若 计数:结论=异常}}") + P("x") << false << QString()
            << "{{#若 计数:结论=异常}} without its {{/若}} in word/document.xml, paragraph 1";
    }

    void fillsPart() {
        QFETCH(QString, body);
        QFETCH(bool, header);
        QFETCH(QString, paragraphs);
        QFETCH(QString, error);
        const Template::ReportData data = ThreeRecords();
        CReport report(nullptr);
        int tags = 0;
        Template::ReportNumber number(QString(), QString(), false);
        QByteArray filled;
        QBuffer out(&filled);
        out.open(QIODevice::WriteOnly);
        const QString part =
            header ? QStringLiteral("word/header1.xml") : QStringLiteral("word/document.xml");
        Template::PartFiller filler(part,
                                    header ? Template::PartFiller::PartKind::HeaderFooter
                                           : Template::PartFiller::PartKind::Body,
                                    data, nullptr, report, &tags, &number);
        try {
            filler.Fill((kDocumentStart + body + kDocumentEnd).toUtf8(), &out);
        } catch (const Template::TemplateError& failure) {
            QVERIFY2(!error.isEmpty() && failure.Message().startsWith(error), qPrintable(failure.Message()));
            return;
        }
        QVERIFY2(error.isEmpty(), "filled what should have been refused");
        QCOMPARE(Paragraphs(filled), paragraphs);
    }
};

QTEST_GUILESS_MAIN(TestTagsAndParts)
#include "tst_tagsandparts.moc"
