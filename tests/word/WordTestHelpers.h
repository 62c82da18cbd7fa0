#pragma once

// Shared by the word tests: test pictures drawn with QPainter and the report's call sequence.

#include "word/CWordOper.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

namespace WordTest {

// A small plot-like picture, so a reader's rendering shows something.
inline QString MakePicture(const QString& folder, const QString& name, const char* format, int width = 160,
                           int height = 120, QColor colour = QColor(30, 90, 200)) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(colour, 2));
    for (int x = 0; x + 4 < width; x += 4)
        painter.drawLine(x, height / 2 + (x * 7 % 37) - 18, x + 4, height / 2 + ((x + 4) * 7 % 37) - 18);
    painter.drawRect(0, 0, width - 1, height - 1);
    painter.end();
    const QString path = QDir(folder).filePath(name);
    image.save(path, format);
    return path;
}

inline QString WriteFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

inline FontInfo Font(const QString& name, float size, bool bold) {
    FontInfo font;
    font.m_strName = name;
    font.m_fSize = size;
    font.m_bBold = bold ? 1 : 0;
    return font;
}

struct Record {
    QString value;
    QString picture1, picture2, picture3;
};

// The calls the US report makes, in its order, up to (not including) SaveAs.
inline void BuildUsReport(CWordOper& word, const QStringList& baseInfo, const QList<Record>& records) {
    // baseInfo: inspector, place, instrument, model, equipment name, equipment type, temperature,
    // humidity, date.
    const FontInfo title = Font(QStringLiteral("宋体"), 24, true);
    const FontInfo heading = Font(QStringLiteral("宋体"), 18, true);
    const FontInfo text = Font(QStringLiteral("宋体"), 13, false);
    MarginInfo margins;
    margins.m_fTop = 67;
    margins.m_fBottom = 67;
    margins.m_fLeft = 42;
    margins.m_fRight = 42;
    word.SetPageMargins(margins);
    word.AlignCenter();
    word.SetFont(title);
    word.TypeText(QStringLiteral("US局部放电检测报告"));
    for (int i = 0; i < 15; ++i)
        word.TypeParagraph();
    word.SetFont(heading);
    word.TypeText(QStringLiteral("检测人员：") + baseInfo[0]);
    word.TypeParagraph();
    word.TypeText(QStringLiteral("检测地点：") + baseInfo[1]);
    word.TypeParagraph();
    word.TypeText(QStringLiteral("检测仪器：") + baseInfo[2]);
    word.TypeParagraph();
    word.TypeText(QStringLiteral("检测日期：") + baseInfo[8]);
    for (int i = 0; i < 4; ++i)
        word.TypeParagraph();
    word.TypeText(QStringLiteral("一、基本信息"));
    word.TypeParagraph();
    word.SetFont(text);
    word.AddTable(4, 4);
    const QStringList cells = {
        QStringLiteral("设备名称"), baseInfo[4], QStringLiteral("设备类型"), baseInfo[5],
        QStringLiteral("检测仪器"), baseInfo[2], QStringLiteral("仪器型号"), baseInfo[3],
        QStringLiteral("当天温度"), baseInfo[6], QStringLiteral("当天湿度"), baseInfo[7],
        QStringLiteral("检测人员"), baseInfo[0], QStringLiteral("检测日期"), baseInfo[8]};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            word.TypeText(cells[row * 4 + col]);
            if (col < 3)
                word.MoveRight();
        }
        word.MoveDown();
        if (row < 3)
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
    for (const QString& header :
         {QStringLiteral("波形图"), QStringLiteral("连续图"), QStringLiteral("PRPD图")}) {
        word.MergeCells();
        word.TypeText(header);
        word.MoveRight();
    }
    for (int i = 0; i < records.size(); ++i) {
        word.InsertRowsBelow(1);
        word.TypeText(QString::number(i + 1));
        word.MoveRight();
        word.TypeText(records[i].value);
        word.MoveRight();
        if (!word.InsertPicture(records[i].picture1, 140, 100))
            word.MoveRight();
        if (!word.InsertPicture(records[i].picture2, 140, 100))
            word.MoveRight();
        if (!word.InsertPicture(records[i].picture3, 133, 95))
            word.MoveRight();
    }
    word.MoveRight();
    word.TypeParagraph();
    word.SetFont(heading);
    word.TypeText(QStringLiteral("三、分析结论"));
}

inline QStringList SampleBaseInfo() {
    return {QStringLiteral("张三"), QStringLiteral("城南变电站"), QStringLiteral("PD-100"),
            QStringLiteral("M2"),   QStringLiteral("1号主变"),    QStringLiteral("油浸式变压器"),
            QStringLiteral("25℃"),  QStringLiteral("60%"),        QStringLiteral("2024-05-06")};
}

} // namespace WordTest
