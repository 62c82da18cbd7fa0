#include "report/BaseInfoRecord.h"

#include "report/CCommonFont.h"
#include "report/CCommonPage.h"
#include "report/CReport.h"
#include "word/CWordOper.h"

namespace {

// The three layouts differ only in these values.
struct LayoutVariant {
    const char16_t* title;
    const char16_t* pictureHeaders[3];
    float thirdPictureWidth;
    float thirdPictureHeight;
};

constexpr LayoutVariant kUsLayout{u"US局部放电检测报告", {u"波形图", u"连续图", u"PRPD图"}, 133.0f, 95.0f};
constexpr LayoutVariant kTevLayout{u"TEV局部放电检测报告", {u"波形图", u"PRPD图", u"PRPS图"}, 140.0f, 100.0f};
constexpr LayoutVariant kHfctLayout{
    u"HFCT局部放电检测报告", {u"波形图", u"PRPD图", u"PRPS图"}, 140.0f, 100.0f};

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

bool BuildReport(const BaseInfoRecord& info, CReport& report, const QString& path,
                 const MethodRecords& records, const LayoutVariant& layout) {
    CWordOper word;
    QString subject; // the picture being inserted, for messages that name it
    word.SetMessageHandler([&](const QString& text) { report.ShowMessage(text, subject); });
    if (!word.Start()) {
        word.Quit();
        report.SetFailure(QStringLiteral("无法创建文档。"));
        return false;
    }

    const MarginInfo margins = CCommonPage::GetInstance()->m_margins;
    const FontInfo titleFont = CCommonFont::GetInstance()->m_titleFont;
    const FontInfo headingFont = CCommonFont::GetInstance()->m_headingFont;
    const FontInfo textFont = CCommonFont::GetInstance()->m_textFont;

    word.SetPageMargins(margins);
    // The only alignment the report sets: every later paragraph, table cells included, inherits it.
    word.AlignCenter();

    // Cover.
    word.SetFont(titleFont);
    word.TypeText(Text(layout.title));
    for (int i = 0; i < 15; ++i) {
        word.TypeParagraph();
    }
    word.SetFont(headingFont);
    word.TypeText(QStringLiteral("检测人员：") + info.m_strInspector);
    word.TypeParagraph();
    word.TypeText(QStringLiteral("检测地点：") + info.m_strPlace);
    word.TypeParagraph();
    word.TypeText(QStringLiteral("检测仪器：") + info.m_strInstrument);
    word.TypeParagraph();
    word.TypeText(QStringLiteral("检测日期：") + info.m_strDate);
    for (int i = 0; i < 4; ++i) {
        word.TypeParagraph();
    }

    // Section one: the basic information as a 4 x 4 table.
    word.TypeText(QStringLiteral("一、基本信息"));
    word.TypeParagraph();
    word.SetFont(textFont);
    word.AddTable(4, 4);
    const QString cells[4][4] = {
        {QStringLiteral("设备名称"), info.m_strEquipName, QStringLiteral("设备类型"), info.m_strEquipType},
        {QStringLiteral("检测仪器"), info.m_strInstrument, QStringLiteral("仪器型号"), info.m_strModel},
        {QStringLiteral("当天温度"), info.m_strTemperature, QStringLiteral("当天湿度"), info.m_strHumidity},
        {QStringLiteral("检测人员"), info.m_strInspector, QStringLiteral("检测日期"), info.m_strDate},
    };
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            word.TypeText(cells[row][column]);
            if (column < 3) {
                word.MoveRight();
            }
        }
        word.MoveDown();
        if (row < 3) {
            word.MoveLeftThree();
        }
    }

    // Section two: one row per record under a five-cell header over fourteen grid columns.
    word.SetFont(headingFont);
    word.TypeText(QStringLiteral("二、检测数据"));
    word.TypeParagraph();
    word.SetFont(textFont);
    word.AddTable(1, 14);
    word.TypeText(QStringLiteral("序号"));
    word.MoveRight();
    word.TypeText(QStringLiteral("有效值"));
    word.MoveRight();
    for (const char16_t* header : layout.pictureHeaders) {
        word.MergeCells();
        word.TypeText(Text(header));
        word.MoveRight();
    }

    const int count = records.Count();
    for (int i = 0; i < count; ++i) {
        if (report.IsAbandoned()) {
            word.Quit();
            report.SetFailure(QStringLiteral("报告任务已取消。"));
            return false;
        }
        word.InsertRowsBelow(1);
        word.TypeText(QString::number(i + 1));
        word.MoveRight();
        word.TypeText(records.m_arrValue.value(i));
        word.MoveRight();
        const QString pictures[3] = {records.m_arrPicture1.value(i), records.m_arrPicture2.value(i),
                                     records.m_arrPicture3.value(i)};
        const float widths[3] = {140.0f, 140.0f, layout.thirdPictureWidth};
        const float heights[3] = {100.0f, 100.0f, layout.thirdPictureHeight};
        for (int k = 0; k < 3; ++k) {
            subject = pictures[k];
            if (!word.InsertPicture(pictures[k], widths[k], heights[k])) {
                // The cell stays empty and the row's following cells keep their columns.
                word.MoveRight();
            }
        }
        subject.clear();
        report.PostProgress(CReport::ProgressPercent(i, count));
    }
    word.MoveRight();
    word.TypeParagraph();

    // Section three: only its heading; the conclusion is written by the inspector.
    word.SetFont(headingFont);
    word.TypeText(QStringLiteral("三、分析结论"));

    if (report.IsAbandoned()) {
        word.Quit();
        report.SetFailure(QStringLiteral("报告任务已取消。"));
        return false;
    }
    // A save failure is the job's outcome, told once by the window with the file's name.
    QString saveError;
    word.SetMessageHandler([&](const QString& text) { saveError = text; });
    const bool saved = word.SaveAs(path);
    word.Quit();
    if (!saved) {
        report.SetFailure(saveError);
    }
    return saved;
}

} // namespace

bool BaseInfoRecord::BuildUsReport(CReport& report, const QString& path, const MethodRecords& records) const {
    return BuildReport(*this, report, path, records, kUsLayout);
}

bool BaseInfoRecord::BuildTevReport(CReport& report, const QString& path,
                                    const MethodRecords& records) const {
    return BuildReport(*this, report, path, records, kTevLayout);
}

bool BaseInfoRecord::BuildHfctReport(CReport& report, const QString& path,
                                     const MethodRecords& records) const {
    return BuildReport(*this, report, path, records, kHfctLayout);
}
