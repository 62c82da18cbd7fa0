#include "support/DocInspector.h"
#include "support/ExternalTools.h"
#include "word/CWordOper.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

// Reports built the way the report layouts drive CWordOper, saved as .doc and as .docx, and read
// back by the outside readers: file(1), antiword, wvText and LibreOffice (PDF text, pictures, pages).
namespace {

struct Output {
    int exitCode = -1;
    QByteArray out;
};

Output Execute(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    Output result;
    if (!process.waitForStarted(30000))
        return result;
    if (!process.waitForFinished(180000))
        process.kill();
    process.waitForFinished();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    return result;
}

QString Missing(const QStringList& programs) {
    QStringList missing;
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing << program;
    }
    return missing.isEmpty() ? QString()
                             : QStringLiteral("not installed: %1 (scripts/install-deps.sh installs it)")
                                   .arg(missing.join(QStringLiteral(", ")));
}

// What every reader keeps of a text: no white space, no controls, and none of the characters some
// readers cannot pass on (antiword and wvText break characters beyond the BMP; U+FFFD stands for
// them and for the controls the producer replaced).
QString Comparable(const QString& text) {
    QString kept;
    for (const QChar c : text) {
        if (!c.isSpace() && c.unicode() >= 0x20 && !c.isSurrogate() && c != QChar(0xFFFD))
            kept += c;
    }
    return kept;
}

struct ReportCase {
    QString name;
    QString title;
    QStringList pictureHeaders;
    float thirdWidth = 140, thirdHeight = 100;
    QStringList
        info; // inspector, place, instrument, model, equipment name and type, temperature, humidity, date
    std::vector<QStringList> rows; // value, picture 1, 2, 3
};

FontInfo MakeFont(float size, bool bold) {
    FontInfo font;
    font.m_strName = QStringLiteral("宋体");
    font.m_fSize = size;
    font.m_bBold = bold ? 1 : 0;
    return font;
}

// The call sequence of a report layout.
void Compose(CWordOper& word, const ReportCase& report) {
    const FontInfo title = MakeFont(24, true), heading = MakeFont(18, true), text = MakeFont(13, false);
    word.Start();
    word.SetPageMargins(MarginInfo{67, 67, 42, 42});
    word.AlignCenter();
    word.SetFont(title);
    word.TypeText(report.title);
    for (int i = 0; i < 15; ++i)
        word.TypeParagraph();
    word.SetFont(heading);
    const QStringList& in = report.info;
    const QStringList cover = {QStringLiteral("检测人员：") + in[0], QStringLiteral("检测地点：") + in[1],
                               QStringLiteral("检测仪器：") + in[2], QStringLiteral("检测日期：") + in[8]};
    for (const QString& line : cover) {
        word.TypeText(line);
        word.TypeParagraph();
    }
    for (int i = 0; i < 3; ++i)
        word.TypeParagraph();
    word.TypeText(QStringLiteral("一、基本信息"));
    word.TypeParagraph();
    word.SetFont(text);
    word.AddTable(4, 4);
    const QStringList cells = {QStringLiteral("设备名称"), in[4], QStringLiteral("设备类型"), in[5],
                               QStringLiteral("检测仪器"), in[2], QStringLiteral("仪器型号"), in[3],
                               QStringLiteral("当天温度"), in[6], QStringLiteral("当天湿度"), in[7],
                               QStringLiteral("检测人员"), in[0], QStringLiteral("检测日期"), in[8]};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            word.TypeText(cells[4 * r + c]);
            if (c < 3)
                word.MoveRight();
        }
        word.MoveDown();
        if (r < 3)
            word.MoveLeftThree();
    }
    word.SetFont(heading);
    word.TypeText(QStringLiteral("二、检测数据"));
    word.TypeParagraph();
    word.SetFont(text);
    word.AddTable(1, 14);
    word.TypeText(QStringLiteral("序号"));
    word.MoveRight();
    word.TypeText(QStringLiteral("有效值"));
    word.MoveRight();
    for (const QString& header : report.pictureHeaders) {
        word.MergeCells();
        word.TypeText(header);
        word.MoveRight();
    }
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        const QStringList& row = report.rows[i];
        word.InsertRowsBelow(1);
        word.TypeText(QString::number(i + 1));
        word.MoveRight();
        word.TypeText(row[0]);
        word.MoveRight();
        for (int k = 1; k <= 3; ++k) {
            const bool third = k == 3;
            if (!word.InsertPicture(row[k], third ? report.thirdWidth : 140,
                                    third ? report.thirdHeight : 100))
                word.MoveRight();
        }
    }
    word.MoveRight();
    word.TypeParagraph();
    word.SetFont(heading);
    word.TypeText(QStringLiteral("三、分析结论"));
}

// The texts a reader must find: every run of the document, split at tabs and line breaks.
QStringList ExpectedTexts(const Word::Document& document) {
    QStringList texts;
    auto visit = [&texts](const Word::Paragraph& paragraph) {
        QString text;
        for (const Word::Run& run : paragraph.runs)
            text += run.text;
        for (const QString& part :
             text.split(QRegularExpression(QStringLiteral("[\\t\\n]")), Qt::SkipEmptyParts))
            texts << part;
    };
    for (const Word::BodyElement& element : document.body) {
        if (const auto* paragraph = std::get_if<Word::Paragraph>(&element)) {
            visit(*paragraph);
            continue;
        }
        for (const Word::TableRow& row : std::get<Word::Table>(element).rows)
            for (const Word::TableCell& cell : row.cells)
                for (const Word::Paragraph& paragraph : cell.paragraphs)
                    visit(paragraph);
    }
    return texts;
}

} // namespace

class TestDocExternal : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::vector<ReportCase> m_cases;
    std::map<QString, Word::Document> m_documents; // by case name
    std::map<QString, QStringList> m_messages;
    QString m_pdfProblem;
    std::map<QString, QString> m_pdf; // "<case>.doc" / "<case>.docx" -> PDF

    QString DocPath(const QString& name) const {
        return m_dir.filePath(name + QStringLiteral("-binary.doc"));
    }
    QString DocxPath(const QString& name) const {
        return m_dir.filePath(name + QStringLiteral("-ooxml.docx"));
    }

    QString Picture(const QString& name, const char* format, QColor color) {
        QImage image(160, 112, QImage::Format_RGB32);
        image.fill(color);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(0, 0, 159, 111);
        painter.drawEllipse(30, 20, 90, 60);
        painter.end();
        const QString path = m_dir.filePath(name);
        return image.save(path, format) ? path : QString();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        const QString png = Picture(QStringLiteral("wave.png"), "PNG", QColor(200, 60, 60));
        const QString jpg = Picture(QStringLiteral("prpd.jpg"), "JPEG", QColor(60, 160, 60));
        const QString bmp = Picture(QStringLiteral("prps.bmp"), "BMP", QColor(60, 60, 200));
        QVERIFY(!png.isEmpty() && !jpg.isEmpty() && !bmp.isEmpty());
        const QString gone = m_dir.filePath(QStringLiteral("gone.png"));

        const QString hostile = QStringLiteral("<b>&amp; \"引号\" 'x' ]]> \t制表\n换行 😀 ") + QChar(0x01) +
                                QChar(0x0C) + QStringLiteral("尾");
        m_cases.push_back({QStringLiteral("us"),
                           QStringLiteral("US局部放电检测报告"),
                           {QStringLiteral("波形图"), QStringLiteral("连续图"), QStringLiteral("PRPD图")},
                           133,
                           95,
                           {QStringLiteral("张三"), QString(), QStringLiteral("PD-3000"),
                            QStringLiteral("M&N<1>"), hostile, QStringLiteral("GIS"), QStringLiteral("25℃"),
                            QStringLiteral("60%"), QStringLiteral("2024-05-06")},
                           {{QStringLiteral("12.5mV"), png, jpg, bmp},
                            {QStringLiteral("-3dB"), png, gone, jpg},
                            {hostile, bmp, png, png}}});
        m_cases.push_back({QStringLiteral("tev"),
                           QStringLiteral("TEV局部放电检测报告"),
                           {QStringLiteral("波形图"), QStringLiteral("PRPD图"), QStringLiteral("PRPS图")},
                           140,
                           100,
                           QStringList(9, QStringLiteral("值")),
                           {}});
        ReportCase hfct{QStringLiteral("hfct"),
                        QStringLiteral("HFCT局部放电检测报告"),
                        {QStringLiteral("波形图"), QStringLiteral("PRPD图"), QStringLiteral("PRPS图")},
                        140,
                        100,
                        QStringList(9, QStringLiteral("HFCT")),
                        {}};
        for (int i = 0; i < 12; ++i)
            hfct.rows.push_back({QStringLiteral("%1pC").arg(i * 7), png, jpg, i % 2 ? png : jpg});
        m_cases.push_back(hfct);

        QStringList documents;
        for (const ReportCase& report : m_cases) {
            CWordOper word;
            QStringList& messages = m_messages[report.name];
            word.SetMessageHandler([&messages](const QString& text) { messages << text; });
            Compose(word, report);
            m_documents[report.name] = word.GetDocument();
            // The file name alone chooses the format.
            QVERIFY(word.SaveAs(DocPath(report.name)));
            QVERIFY(word.SaveAs(DocxPath(report.name)));
            word.Quit();
            documents << DocPath(report.name) << DocxPath(report.name);
        }
        QCOMPARE(m_messages[QStringLiteral("us")].size(), 1); // the missing picture

        m_pdfProblem = ExternalTools::MissingForPdf();
        if (m_pdfProblem.isEmpty()) {
            QStringList pdfs;
            m_pdfProblem =
                ExternalTools::ConvertToPdf(documents, m_dir.filePath(QStringLiteral("pdf")), &pdfs);
            for (int i = 0; i < documents.size() && m_pdfProblem.isEmpty(); ++i)
                m_pdf[documents[i]] = pdfs[i];
        }
    }

    void ourReaderFindsEveryInvariant() {
        for (const ReportCase& report : m_cases) {
            DocInspector in;
            QVERIFY2(in.Load(DocPath(report.name)), qPrintable(in.Problems().join('\n')));
            const auto tables = in.Tables();
            QCOMPARE(tables.size(), std::size_t(2));
            QCOMPARE(tables[1].rows.size(), report.rows.size() + 1);
            QCOMPARE(in.Pictures().size(), m_documents[report.name].pictures.size());
            for (const auto& p : in.Paragraphs()) {
                if (!p.rowEnd)
                    QCOMPARE(p.justification, 1);
            }
            // Character runs end at paragraph ends.
            for (const auto& run : in.CharRuns()) {
                const QString inside = in.Text().mid(run.cpStart, run.cpEnd - run.cpStart - 1);
                QVERIFY(!inside.contains(QChar(0x0D)) && !inside.contains(QChar(0x07)));
            }
        }
        // The cell of the missing picture stays empty; the third picture keeps its column.
        DocInspector in;
        QVERIFY(in.Load(DocPath(QStringLiteral("us"))));
        const QStringList row = in.Tables()[1].rows[2].cells;
        QCOMPARE(row, QStringList({"2", "-3dB", QString(QChar(1)), QString(), QString(QChar(1))}));
    }

    void fileRecognisesWordDocuments() {
        ZOLT_REQUIRE(Missing({QStringLiteral("file")}));
        for (const ReportCase& report : m_cases) {
            const Output kind = Execute(QStringLiteral("file"), {QStringLiteral("-b"), DocPath(report.name)});
            QVERIFY2(kind.out.startsWith("Composite Document File V2 Document"), kind.out.constData());
            const Output mime =
                Execute(QStringLiteral("file"),
                        {QStringLiteral("-b"), QStringLiteral("--mime-type"), DocPath(report.name)});
            QCOMPARE(mime.out.trimmed(), QByteArray("application/msword"));
        }
    }

    // antiword's DocBook output keeps table cells whole, where its text layout wraps narrow cells.
    void antiwordFindsEveryText() {
        ZOLT_REQUIRE(Missing({QStringLiteral("antiword")}));
        for (const ReportCase& report : m_cases) {
            const Output result = Execute(QStringLiteral("antiword"),
                                          {QStringLiteral("-x"), QStringLiteral("db"), DocPath(report.name)});
            QCOMPARE(result.exitCode, 0);
            QString text = QString::fromUtf8(result.out);
            text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
            text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"));
            text.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                .replace(QStringLiteral("&apos;"), QStringLiteral("'"));
            text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            const QString flat = Comparable(text);
            for (const QString& expected : ExpectedTexts(m_documents[report.name]))
                QVERIFY2(flat.contains(Comparable(expected)), qPrintable(report.name + ": " + expected));
        }
    }

    void wvTextFindsEveryText() {
        ZOLT_REQUIRE(Missing({QStringLiteral("wvText")}));
        for (const ReportCase& report : m_cases) {
            const QString out = m_dir.filePath(report.name + QStringLiteral("-wv.txt"));
            const Output result = Execute(QStringLiteral("wvText"), {DocPath(report.name), out});
            QCOMPARE(result.exitCode, 0);
            QFile file(out);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString flat = Comparable(QString::fromUtf8(file.readAll()));
            for (const QString& expected : ExpectedTexts(m_documents[report.name]))
                QVERIFY2(flat.contains(Comparable(expected)), qPrintable(report.name + ": " + expected));
        }
    }

    // LibreOffice lays the .doc out exactly like the .docx of the same document: the same text,
    // the same pictures at the same resolution, the same pages.
    void libreOfficeRendersItLikeTheDocx() {
        ZOLT_REQUIRE(m_pdfProblem);
        for (const ReportCase& report : m_cases) {
            const QString docPdf = m_pdf[DocPath(report.name)], docxPdf = m_pdf[DocxPath(report.name)];
            QString docText, docxText;
            QCOMPARE(ExternalTools::PdfText(docPdf, &docText), QString());
            QCOMPARE(ExternalTools::PdfText(docxPdf, &docxText), QString());
            QCOMPARE(docText, docxText);
            // In content order a cell's wrapped lines stay together.
            const Output raw =
                Execute(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), QStringLiteral("-enc"),
                                                      QStringLiteral("UTF-8"), docPdf, QStringLiteral("-")});
            const QString flat = Comparable(QString::fromUtf8(raw.out));
            for (const QString& expected : ExpectedTexts(m_documents[report.name]))
                QVERIFY2(flat.contains(Comparable(expected)), qPrintable(report.name + ": " + expected));

            auto images = [](const QString& pdf) {
                QStringList rows;
                const Output list = Execute(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
                for (const QString& line : QString::fromUtf8(list.out).split('\n').mid(2)) {
                    const QStringList f = line.simplified().split(' ');
                    if (f.size() >= 14) // page, width, height, x-ppi, y-ppi
                        rows << QStringList({f[0], f[3], f[4], f[12], f[13]}).join(' ');
                }
                return rows;
            };
            const QStringList docImages = images(docPdf);
            QCOMPARE(docImages.size(), static_cast<int>(m_documents[report.name].pictures.size()));
            QCOMPARE(docImages, images(docxPdf));

            ZOLT_REQUIRE(Missing({QStringLiteral("pdftoppm")}));
            const QString prefix = m_dir.filePath(report.name);
            Execute(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-gray"), docPdf,
                     prefix + QStringLiteral("-doc")});
            Execute(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-gray"), docxPdf,
                     prefix + QStringLiteral("-docx")});
            const QStringList docPages =
                QDir(m_dir.path()).entryList({report.name + QStringLiteral("-doc-*.pgm")});
            const QStringList docxPages =
                QDir(m_dir.path()).entryList({report.name + QStringLiteral("-docx-*.pgm")});
            QVERIFY(!docPages.isEmpty());
            QCOMPARE(docPages.size(), docxPages.size());
            for (int i = 0; i < docPages.size(); ++i) {
                const QImage a(m_dir.filePath(docPages[i])), b(m_dir.filePath(docxPages[i]));
                QCOMPARE(a.size(), b.size());
                // The .doc's table borders sit a quarter point further left (cell edges at the
                // margin, where the .docx puts the border's outer edge), so a pixel counts as
                // different only when no pixel next to it in the other page matches.
                int differing = 0;
                for (int y = 1; y + 1 < a.height(); ++y) {
                    for (int x = 1; x + 1 < a.width(); ++x) {
                        bool matched = false;
                        for (int dy = -1; dy <= 1 && !matched; ++dy)
                            for (int dx = -1; dx <= 1 && !matched; ++dx)
                                matched = qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x + dx, y + dy))) <= 64;
                        differing += matched ? 0 : 1;
                    }
                }
                QVERIFY2(differing * 1000 < a.width() * a.height(),
                         qPrintable(docPages[i] + QStringLiteral(": %1 pixels differ").arg(differing)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestDocExternal)
#include "tst_docexternal.moc"
