#include "report/ReportLayout.h"

#include "report/BaseInfoRecord.h"
#include "report/CCommonFont.h"
#include "report/CCommonPage.h"
#include "report/CReport.h"
#include "word/CWordOper.h"

namespace Report {

namespace {

bool GiveUp(CWordOper& word, CReport& report) {
    word.Quit();
    report.SetFailure(QStringLiteral("报告任务已取消。"));
    return false;
}

} // namespace

bool ReportLayout::Build(const BaseInfoRecord& info, CReport& report, const QString& path,
                         const MethodRecords& records) const {
    CWordOper word;
    QString subject; // the picture being inserted, for messages that name it
    word.SetMessageHandler([&](const QString& text) { report.ShowMessage(text, subject); });
    if (!word.Start()) {
        word.Quit();
        report.SetFailure(QStringLiteral("无法创建文档。"));
        return false;
    }
    word.SetPageMargins(CCommonPage::GetInstance()->m_margins);
    // The only alignment the report sets: every later paragraph, table cells included, inherits it.
    word.AlignCenter();

    WriteCover(word, info);
    WriteBaseInfoTable(word, info);
    WriteDataHeader(word);
    if (!WriteDataRows(word, report, records, subject)) {
        return GiveUp(word, report);
    }
    word.MoveRight();
    word.TypeParagraph();

    // Section three: only its heading; the conclusion is written by the inspector.
    word.SetFont(CCommonFont::GetInstance()->m_headingFont);
    word.TypeText(QStringLiteral("三、分析结论"));

    if (report.IsAbandoned()) {
        return GiveUp(word, report);
    }
    return Save(word, report, path);
}

void ReportLayout::WriteCover(CWordOper& word, const BaseInfoRecord& info) const {
    word.SetFont(CCommonFont::GetInstance()->m_titleFont);
    word.TypeText(m_method.ReportTitle());
    for (int i = 0; i < 15; ++i) {
        word.TypeParagraph();
    }
    word.SetFont(CCommonFont::GetInstance()->m_headingFont);
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
}

void ReportLayout::WriteBaseInfoTable(CWordOper& word, const BaseInfoRecord& info) const {
    // Section one: the basic information as a 4 x 4 table.
    word.TypeText(QStringLiteral("一、基本信息"));
    word.TypeParagraph();
    word.SetFont(CCommonFont::GetInstance()->m_textFont);
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
}

void ReportLayout::WriteDataHeader(CWordOper& word) const {
    // Section two: one row per record under a five-cell header over fourteen grid columns.
    word.SetFont(CCommonFont::GetInstance()->m_headingFont);
    word.TypeText(QStringLiteral("二、检测数据"));
    word.TypeParagraph();
    word.SetFont(CCommonFont::GetInstance()->m_textFont);
    word.AddTable(1, 14);
    word.TypeText(QStringLiteral("序号"));
    word.MoveRight();
    word.TypeText(QStringLiteral("有效值"));
    word.MoveRight();
    for (int k = 0; k < 3; ++k) {
        word.MergeCells();
        word.TypeText(m_method.PictureHeader(k));
        word.MoveRight();
    }
}

bool ReportLayout::WriteDataRows(CWordOper& word, CReport& report, const MethodRecords& records,
                                 QString& subject) const {
    const int count = records.Count();
    for (int i = 0; i < count; ++i) {
        if (report.IsAbandoned()) {
            return false;
        }
        word.InsertRowsBelow(1);
        word.TypeText(QString::number(i + 1));
        word.MoveRight();
        word.TypeText(records.m_arrValue.value(i));
        word.MoveRight();
        const QString pictures[3] = {records.m_arrPicture1.value(i), records.m_arrPicture2.value(i),
                                     records.m_arrPicture3.value(i)};
        for (int k = 0; k < 3; ++k) {
            subject = pictures[k];
            if (!word.InsertPicture(pictures[k], m_method.pictureSizes[k][0], m_method.pictureSizes[k][1])) {
                // The cell stays empty and the row's following cells keep their columns.
                word.MoveRight();
            }
        }
        subject.clear();
        report.PostProgress(CReport::ProgressPercent(i, count));
    }
    return true;
}

bool ReportLayout::Save(CWordOper& word, CReport& report, const QString& path) const {
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

} // namespace Report
