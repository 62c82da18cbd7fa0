#include "report/BaseInfoRecord.h"
#include "report/CReport.h"
#include "report/IReportSink.h"
#include "report/MethodRecords.h"
#include "support/DocReader.h"
#include "support/ExternalTools.h"
#include "support/PictureCollection.h"
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
#include <memory>

// The three reports written by their layouts, and one with every kind of picture file that Word and
// LibreOffice show, saved as .doc and as .docx, and read back by the outside readers: file(1),
// antiword, wvText, python-docx and LibreOffice (PDF text, pictures, pages).
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

// Collects what a layout tells the user.
class MessageSink : public IReportSink {
public:
    void PostProgress(int) override {}
    void ShowMessage(const QString& text, const QString&) override { messages << text; }
    void PostDone(bool, const QString&) override {}
    bool IsAbandoned() const override { return false; }

    QStringList messages;
};

enum class Method { Us, Tev, Hfct };

struct ReportCase {
    QString name;
    Method method = Method::Us;
    BaseInfoRecord info;
    MethodRecords records;
    int pictures = 0; // pictures that exist

    bool Build(const QString& path, MessageSink* sink) const {
        auto shared = std::shared_ptr<IReportSink>(sink, [](IReportSink*) {});
        CReport report(shared);
        switch (method) {
        case Method::Us:
            return info.BuildUsReport(report, path, records);
        case Method::Tev:
            return info.BuildTevReport(report, path, records);
        default:
            return info.BuildHfctReport(report, path, records);
        }
    }

    // Every text the report prints, each as one piece that a reader must show unbroken.
    QStringList Texts() const {
        const QString titles[] = {QStringLiteral("US局部放电检测报告"), QStringLiteral("TEV局部放电检测报告"),
                                  QStringLiteral("HFCT局部放电检测报告")};
        QStringList texts = {titles[static_cast<int>(method)],
                             QStringLiteral("检测人员：") + info.m_strInspector,
                             QStringLiteral("检测地点：") + info.m_strPlace,
                             QStringLiteral("检测仪器：") + info.m_strInstrument,
                             QStringLiteral("检测日期：") + info.m_strDate,
                             QStringLiteral("一、基本信息"),
                             QStringLiteral("二、检测数据"),
                             QStringLiteral("三、分析结论"),
                             QStringLiteral("序号"),
                             QStringLiteral("有效值"),
                             QStringLiteral("波形图"),
                             method == Method::Us ? QStringLiteral("连续图") : QStringLiteral("PRPD图"),
                             method == Method::Us ? QStringLiteral("PRPD图") : QStringLiteral("PRPS图")};
        for (const char16_t* label : {u"设备名称", u"设备类型", u"检测仪器", u"仪器型号", u"当天温度",
                                      u"当天湿度", u"检测人员", u"检测日期"})
            texts << QString::fromUtf16(label);
        texts << info.m_strEquipName << info.m_strEquipType << info.m_strModel << info.m_strTemperature
              << info.m_strHumidity;
        for (int i = 0; i < records.Count(); ++i)
            texts << QString::number(i + 1) << records.m_arrValue[i];
        return texts;
    }
};

} // namespace

class TestDocExternal : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::vector<ReportCase> m_cases;
    QString m_pdfProblem;
    std::map<QString, QString> m_pdf; // "<case>.doc" / "<case>.docx" -> PDF
    QList<PictureCollection::Entry> m_collection;

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

        // Every kind of character the data may hold: XML specials, tab, line break, characters
        // beyond the BMP, controls the producer replaces.
        const QString hostile = QStringLiteral("<b>&amp; \"引号\" 'x' ]]> \t制表\n换行 😀 ") + QChar(0x01) +
                                QChar(0x0C) + QStringLiteral("尾");
        ReportCase us{QStringLiteral("us"), Method::Us, {}, {}, 8};
        us.info = {QStringLiteral("张三"),
                   QString(),
                   QStringLiteral("PD-3000"),
                   QStringLiteral("2024年5月6日"),
                   hostile,
                   QStringLiteral("GIS"),
                   QStringLiteral("M&N<1>"),
                   QStringLiteral("25℃"),
                   QStringLiteral("60%")};
        us.records.Append(QStringLiteral("12.5mV"), png, jpg, bmp);
        us.records.Append(QStringLiteral("-3dB"), png, gone, jpg);
        us.records.Append(hostile, bmp, png, png);
        m_cases.push_back(us);

        ReportCase tev{QStringLiteral("tev"), Method::Tev, {}, {}, 0};
        tev.info = {QStringLiteral("李四"),         QStringLiteral("变电站"), QStringLiteral("TEV-1"),
                    QStringLiteral("2024年5月7日"), QStringLiteral("开关柜"), QStringLiteral("KYN"),
                    QStringLiteral("T1"),           QStringLiteral("20℃"),    QStringLiteral("40%")};
        m_cases.push_back(tev);

        ReportCase hfct{QStringLiteral("hfct"), Method::Hfct, tev.info, {}, 36};
        for (int i = 0; i < 12; ++i)
            hfct.records.Append(QStringLiteral("%1pC").arg(i * 7), png, jpg, i % 2 ? png : jpg);
        m_cases.push_back(hfct);

        // Every picture that readers show, three to a row, in one report per format.
        const QString collection = m_dir.filePath(QStringLiteral("collection"));
        QVERIFY(QDir().mkpath(collection));
        m_collection = PictureCollection::Write(collection);
        QVERIFY(!m_collection.isEmpty());
        const QList<PictureCollection::Entry> shown = PictureCollection::Shown(m_collection);
        const int rows = int(shown.size() + 2) / 3;
        ReportCase pictures{QStringLiteral("pictures"), Method::Us, tev.info, {}, rows * 3};
        const auto at = [&](int i) { return shown[i % shown.size()].path; };
        for (int i = 0; i < rows; ++i)
            pictures.records.Append(QStringLiteral("%1mV").arg(i), at(3 * i), at(3 * i + 1), at(3 * i + 2));
        m_cases.push_back(pictures);

        QStringList documents;
        for (const ReportCase& report : m_cases) {
            // The file name alone chooses the format.
            MessageSink binary, ooxml;
            QVERIFY2(report.Build(DocPath(report.name), &binary), qPrintable(binary.messages.join(u'\n')));
            QVERIFY2(report.Build(DocxPath(report.name), &ooxml), qPrintable(ooxml.messages.join(u'\n')));
            QCOMPARE(binary.messages, ooxml.messages);
            QCOMPARE(binary.messages.size(),
                     report.name == QStringLiteral("us") ? 1 : 0); // the missing picture
            documents << DocPath(report.name) << DocxPath(report.name);
        }

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
            DocReader in;
            QVERIFY2(in.Load(DocPath(report.name)), qPrintable(in.Problems().join('\n')));
            const auto tables = in.Tables();
            QCOMPARE(tables.size(), std::size_t(2));
            QCOMPARE(tables[1].rows.size(), std::size_t(report.records.Count() + 1));
            QCOMPARE(static_cast<int>(in.Pictures().size()), report.pictures);
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
        DocReader in;
        QVERIFY(in.Load(DocPath(QStringLiteral("us"))));
        const QStringList row = in.Tables()[1].rows[2].cells;
        QCOMPARE(row, QStringList({"2", "-3dB", QString(QChar(1)), QString(), QString(QChar(1))}));
    }

    // Every picture of the collection goes in without a word; what is no picture is refused with
    // its reason and its name, and a picture that names no file is reported missing.
    void pictureGateDecides() {
        for (const PictureCollection::Entry& entry : m_collection) {
            CWordOper word;
            QStringList messages;
            word.SetMessageHandler([&](const QString& text) { messages << text; });
            word.Start();
            word.AddTable(1, 2);
            const bool inserted = word.InsertPicture(entry.path, 140, 100);
            QVERIFY2(inserted == entry.refusal.isEmpty(),
                     qPrintable(entry.name + ": " + messages.join(u'\n')));
            if (inserted) {
                QVERIFY2(messages.isEmpty(), qPrintable(entry.name));
                const Word::Picture& picture = word.GetDocument().pictures.front();
                QCOMPARE(QSize(picture.pixelWidth, picture.pixelHeight), QSize(48, 32));
                continue;
            }
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages[0].contains(entry.refusal) &&
                         messages[0].contains(QDir::toNativeSeparators(entry.path)),
                     qPrintable(entry.name + ": " + messages[0]));
        }
        for (const QString& path : {QString(), m_dir.filePath(QStringLiteral("collection/gone.png"))}) {
            CWordOper word;
            QStringList messages;
            word.SetMessageHandler([&](const QString& text) { messages << text; });
            word.Start();
            QVERIFY(!word.InsertPicture(path, 140, 100));
            QCOMPARE(messages, QStringList{QStringLiteral("The image to be inserted does not exist!")});
        }
    }

    void pythonDocxReadsEveryPicture() {
        ZOLT_REQUIRE(ExternalTools::MissingForPythonDocx());
        for (const ReportCase& report : m_cases) {
            ExternalTools::DocxView view;
            QCOMPARE(ExternalTools::ReadWithPythonDocx(DocxPath(report.name), &view), QString());
            QCOMPARE(view.inlinePictures, report.pictures);
            if (report.name == QStringLiteral("pictures"))
                QCOMPARE(view.pictureSizes, QStringList(report.pictures, QStringLiteral("48x32")));
        }
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
            for (const QString& expected : report.Texts())
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
            for (const QString& expected : report.Texts())
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
            for (const QString& expected : report.Texts())
                QVERIFY2(flat.contains(Comparable(expected)), qPrintable(report.name + ": " + expected));

            auto images = [](const QString& pdf) {
                QStringList rows;
                const Output list = Execute(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
                for (const QString& line : QString::fromUtf8(list.out).split('\n').mid(2)) {
                    const QStringList f = line.simplified().split(' ');
                    if (f.size() >= 14 &&
                        f[2] == QStringLiteral("image")) // page, width, height, x-ppi, y-ppi
                        rows << QStringList({f[0], f[3], f[4], f[12], f[13]}).join(' ');
                }
                return rows;
            };
            const QStringList docImages = images(docPdf);
            QCOMPARE(docImages.size(), report.pictures);
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
