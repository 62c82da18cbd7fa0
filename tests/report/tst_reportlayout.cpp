#include "report/BaseInfoRecord.h"
#include "report/CReport.h"
#include "support/DocxBody.h"
#include "support/ExternalTools.h"

#include <QColor>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

namespace {

constexpr qint64 kEmuPerPoint = 12700;

// Records what a report job says, as the window would see it.
class RecordingSink : public IReportSink {
public:
    void PostProgress(int percent) override { progress.append(percent); }
    void ShowMessage(const QString& text, const QString& subject) override {
        messages.append(text);
        subjects.append(subject);
    }
    void PostDone(bool, const QString&) override {}
    bool IsAbandoned() const override { return abandoned; }

    QList<int> progress;
    QStringList messages;
    QStringList subjects;
    bool abandoned = false;
};

BaseInfoRecord SampleInfo() {
    BaseInfoRecord info;
    info.m_strInspector = QStringLiteral("张工");
    info.m_strPlace = QString(); // an empty value leaves its label alone
    info.m_strInstrument = QStringLiteral("局放巡检仪");
    info.m_strDate = QStringLiteral("2020年8月6日");
    info.m_strEquipName = QStringLiteral("1号主变");
    info.m_strEquipType = QStringLiteral("变压器");
    info.m_strModel = QStringLiteral("PD-3");
    info.m_strTemperature = QStringLiteral("26℃");
    info.m_strHumidity = QStringLiteral("55%");
    return info;
}

// n records whose pictures exist, except those named in `missing` (record, picture 1..3).
MethodRecords MakeRecords(const QString& folder, int n, QList<QPair<int, int>> missing = {}) {
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    const QString picture = folder + QStringLiteral("/p.png");
    image.save(picture);
    MethodRecords records;
    for (int i = 0; i < n; ++i) {
        QString paths[3];
        for (int k = 0; k < 3; ++k) {
            paths[k] = missing.contains(qMakePair(i, k + 1))
                           ? folder + QStringLiteral("/missing-%1.png").arg(i)
                           : picture;
        }
        records.Append(QStringLiteral("%1.5").arg(i) + QStringLiteral("mV"), paths[0], paths[1], paths[2]);
    }
    return records;
}

using Build = bool (BaseInfoRecord::*)(CReport&, const QString&, const MethodRecords&) const;

struct Variant {
    Build build;
    QString title;
    QStringList headers;
    QSize thirdPicture; // points
};

const Variant kUs{&BaseInfoRecord::BuildUsReport,
                  QStringLiteral("US局部放电检测报告"),
                  {QStringLiteral("序号"), QStringLiteral("有效值"), QStringLiteral("波形图"),
                   QStringLiteral("连续图"), QStringLiteral("PRPD图")},
                  QSize(133, 95)};
const Variant kTev{&BaseInfoRecord::BuildTevReport,
                   QStringLiteral("TEV局部放电检测报告"),
                   {QStringLiteral("序号"), QStringLiteral("有效值"), QStringLiteral("波形图"),
                    QStringLiteral("PRPD图"), QStringLiteral("PRPS图")},
                   QSize(140, 100)};
const Variant kHfct{&BaseInfoRecord::BuildHfctReport,
                    QStringLiteral("HFCT局部放电检测报告"),
                    {QStringLiteral("序号"), QStringLiteral("有效值"), QStringLiteral("波形图"),
                     QStringLiteral("PRPD图"), QStringLiteral("PRPS图")},
                    QSize(140, 100)};

// Checks everything the document must show for `records`, with `missing` pictures left out.
void VerifyReport(const QString& path, const Variant& variant, const BaseInfoRecord& info,
                  const MethodRecords& records, const QList<QPair<int, int>>& missing) {
    const DocxBody body(path);
    QVERIFY2(body.Error().isEmpty(), qPrintable(body.Error()));
    const QList<DocxBody::Element>& e = body.Elements();
    QCOMPARE(e.size(), 28);

    // Cover: title, 14 empty paragraphs, four lines, 3 empty paragraphs.
    QCOMPARE(e[0].paragraph.Text(), variant.title);
    for (int i = 1; i <= 14; ++i) {
        QVERIFY(!e[i].isTable);
        QVERIFY2(e[i].paragraph.Text().isEmpty(), qPrintable(QString::number(i)));
    }
    QCOMPARE(e[15].paragraph.Text(), QStringLiteral("检测人员：") + info.m_strInspector);
    QCOMPARE(e[16].paragraph.Text(), QStringLiteral("检测地点：") + info.m_strPlace);
    QCOMPARE(e[17].paragraph.Text(), QStringLiteral("检测仪器：") + info.m_strInstrument);
    QCOMPARE(e[18].paragraph.Text(), QStringLiteral("检测日期：") + info.m_strDate);
    for (int i = 19; i <= 21; ++i) {
        QVERIFY(!e[i].isTable && e[i].paragraph.Text().isEmpty());
    }
    QCOMPARE(e[22].paragraph.Text(), QStringLiteral("一、基本信息"));
    QVERIFY(e[23].isTable);
    QCOMPARE(e[24].paragraph.Text(), QStringLiteral("二、检测数据"));
    QVERIFY(e[25].isTable);
    QVERIFY(!e[26].isTable && e[26].paragraph.Text().isEmpty());
    QCOMPARE(e[27].paragraph.Text(), QStringLiteral("三、分析结论"));

    // Fonts: 宋体 everywhere, title 24 pt bold, cover lines and headings 18 pt bold, tables 13 pt.
    const auto verifyRuns = [](const DocxBody::Paragraph& paragraph, int halfPoints, bool bold) {
        for (const DocxBody::Run& run : paragraph.runs) {
            if (run.picture) {
                continue;
            }
            QCOMPARE(run.eastAsiaFont, QStringLiteral("宋体"));
            QCOMPARE(run.halfPoints, halfPoints);
            QCOMPARE(run.bold, bold);
        }
    };
    verifyRuns(e[0].paragraph, 48, true);
    for (int i : {15, 16, 17, 18, 22, 24, 27}) {
        verifyRuns(e[i].paragraph, 36, true);
    }
    for (const DocxBody::Paragraph& paragraph : body.AllParagraphs()) {
        QVERIFY(paragraph.centred);
    }

    // The basic-information table.
    const DocxBody::Table& basic = e[23].table;
    QCOMPARE(basic.gridColumns, 4);
    QCOMPARE(basic.rows.size(), 4);
    const QStringList expected[4] = {
        {QStringLiteral("设备名称"), info.m_strEquipName, QStringLiteral("设备类型"), info.m_strEquipType},
        {QStringLiteral("检测仪器"), info.m_strInstrument, QStringLiteral("仪器型号"), info.m_strModel},
        {QStringLiteral("当天温度"), info.m_strTemperature, QStringLiteral("当天湿度"), info.m_strHumidity},
        {QStringLiteral("检测人员"), info.m_strInspector, QStringLiteral("检测日期"), info.m_strDate},
    };
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(basic.rows[row].size(), 4);
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(basic.rows[row][column].gridSpan, 1);
            QCOMPARE(basic.rows[row][column].Text(), expected[row][column]);
            for (const DocxBody::Paragraph& paragraph : basic.rows[row][column].paragraphs) {
                verifyRuns(paragraph, 26, false);
            }
        }
    }

    // The data table: a five-cell header over 14 columns, one row per record.
    const DocxBody::Table& data = e[25].table;
    QCOMPARE(data.gridColumns, 14);
    QCOMPARE(data.rows.size(), records.Count() + 1);
    for (int row = 0; row < data.rows.size(); ++row) {
        const QList<DocxBody::Cell>& cells = data.rows[row];
        QCOMPARE(cells.size(), 5);
        QCOMPARE(cells[0].gridSpan, 1);
        QCOMPARE(cells[1].gridSpan, 1);
        QCOMPARE(cells[2].gridSpan, 4);
        QCOMPARE(cells[3].gridSpan, 4);
        QCOMPARE(cells[4].gridSpan, 4);
        if (row == 0) {
            for (int c = 0; c < 5; ++c) {
                QCOMPARE(cells[c].Text(), variant.headers[c]);
            }
            continue;
        }
        const int record = row - 1;
        QCOMPARE(cells[0].Text(), QString::number(row));
        QCOMPARE(cells[1].Text(), records.m_arrValue[record]);
        const QSize sizes[3] = {QSize(140, 100), QSize(140, 100), variant.thirdPicture};
        for (int k = 0; k < 3; ++k) {
            const QList<DocxBody::Run> pictures = cells[2 + k].Pictures();
            if (missing.contains(qMakePair(record, k + 1))) {
                QVERIFY(pictures.isEmpty());
                QVERIFY(cells[2 + k].Text().isEmpty());
                continue;
            }
            QCOMPARE(pictures.size(), 1);
            QCOMPARE(pictures[0].pictureCx, sizes[k].width() * kEmuPerPoint);
            QCOMPARE(pictures[0].pictureCy, sizes[k].height() * kEmuPerPoint);
        }
    }
}

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void usReportWithTwelveRecordsAndAMissingPicture() {
        const QList<QPair<int, int>> missing = {qMakePair(3, 2)};
        const MethodRecords records = MakeRecords(m_dir.path(), 12, missing);
        auto sink = std::make_shared<RecordingSink>();
        CReport report(sink);
        const QString path = m_dir.filePath(QStringLiteral("us-12.docx"));
        const BaseInfoRecord info = SampleInfo();
        QVERIFY((info.*kUs.build)(report, path, records));
        QCOMPARE(sink->progress, (QList<int>{0, 8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91}));
        QCOMPARE(sink->messages, QStringList{QStringLiteral("The image to be inserted does not exist!")});
        QCOMPARE(sink->subjects, QStringList{records.m_arrPicture2[3]});
        VerifyReport(path, kUs, info, records, missing);
    }

    void layoutsWithFewRecords_data() {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("count");
        QTest::newRow("TEV, one record") << 1 << 1;
        QTest::newRow("HFCT, one record") << 2 << 1;
        QTest::newRow("TEV, nothing ticked") << 1 << 0;
        QTest::newRow("US, nothing ticked") << 0 << 0;
    }
    void layoutsWithFewRecords() {
        QFETCH(int, variant);
        QFETCH(int, count);
        const Variant& layout = variant == 0 ? kUs : variant == 1 ? kTev : kHfct;
        const MethodRecords records = MakeRecords(m_dir.path(), count);
        auto sink = std::make_shared<RecordingSink>();
        CReport report(sink);
        const QString path = m_dir.filePath(QStringLiteral("v%1-%2.docx").arg(variant).arg(count));
        const BaseInfoRecord info = SampleInfo();
        QVERIFY((info.*layout.build)(report, path, records));
        QCOMPARE(sink->progress, count == 0 ? QList<int>() : QList<int>{0});
        QVERIFY(sink->messages.isEmpty());
        VerifyReport(path, layout, info, records, {});
    }

    void abandonedJobSavesNothing() {
        const MethodRecords records = MakeRecords(m_dir.path(), 3);
        auto sink = std::make_shared<RecordingSink>();
        sink->abandoned = true;
        CReport report(sink);
        const QString path = m_dir.filePath(QStringLiteral("abandoned.docx"));
        QVERIFY(!SampleInfo().BuildUsReport(report, path, records));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!report.GetFailure().isEmpty());
        QVERIFY(sink->progress.isEmpty());
    }

    void saveFailureIsTheOutcomeNotAMessage() {
        // A folder that does not exist: no report, and the reason comes back for the window to tell.
        const MethodRecords records = MakeRecords(m_dir.path(), 1);
        auto sink = std::make_shared<RecordingSink>();
        CReport report(sink);
        const QString path = m_dir.filePath(QStringLiteral("no/such/folder/r.docx"));
        QVERIFY(!SampleInfo().BuildTevReport(report, path, records));
        QVERIFY(!report.GetFailure().isEmpty());
        QVERIFY(sink->messages.isEmpty());
    }

    void outsideReadersAcceptTheReports() {
        ZOLT_REQUIRE(ExternalTools::MissingForSchemas());
        ZOLT_REQUIRE(ExternalTools::MissingForPythonDocx());
        ZOLT_REQUIRE(ExternalTools::MissingForPdf());
        const QList<QPair<int, int>> missing = {qMakePair(3, 2)};
        const QStringList documents = {m_dir.filePath(QStringLiteral("us-12.docx")),
                                       m_dir.filePath(QStringLiteral("v1-1.docx")),
                                       m_dir.filePath(QStringLiteral("v2-0.docx"))};
        const BaseInfoRecord info = SampleInfo();
        const QList<QPair<const Variant*, int>> made = {{&kUs, 12}, {&kTev, 1}, {&kHfct, 0}};
        for (int i = 0; i < 3; ++i) {
            const MethodRecords records =
                MakeRecords(m_dir.path(), made[i].second, i == 0 ? missing : QList<QPair<int, int>>());
            CReport report(std::make_shared<RecordingSink>());
            QVERIFY((info.*made[i].first->build)(report, documents[i], records));
            QCOMPARE(ExternalTools::ValidateDocx(documents[i]), QString());
            ExternalTools::DocxView view;
            QCOMPARE(ExternalTools::ReadWithPythonDocx(documents[i], &view), QString());
            QCOMPARE(view.tables.size(), 2);
            QCOMPARE(view.inlinePictures, made[i].second * 3 - (i == 0 ? 1 : 0));
            QCOMPARE(qRound(view.leftMarginPt), 42);
            QCOMPARE(qRound(view.topMarginPt), 67);
        }
        QStringList pdfs;
        QCOMPARE(ExternalTools::ConvertToPdf(documents, m_dir.filePath(QStringLiteral("pdf")), &pdfs),
                 QString());
        QCOMPARE(pdfs.size(), 3);
        const int pictures[3] = {35, 3, 0};
        for (int i = 0; i < 3; ++i) {
            QString text;
            QCOMPARE(ExternalTools::PdfText(pdfs[i], &text), QString());
            text.remove(QRegularExpression(QStringLiteral("\\s")));
            for (const QString& expected :
                 {made[i].first->title, QStringLiteral("检测人员：张工"), QStringLiteral("一、基本信息"),
                  QStringLiteral("二、检测数据"), QStringLiteral("三、分析结论"), QStringLiteral("变压器"),
                  QStringLiteral("2020年8月6日")}) {
                QVERIFY2(text.contains(expected), qPrintable(expected));
            }
            int count = -1;
            QCOMPARE(ExternalTools::PdfImageCount(pdfs[i], &count), QString());
            QCOMPARE(count, pictures[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
