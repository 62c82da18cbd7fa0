#include "DemoDataSet.h"

#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "data/Method.h"

#include <sqlite3.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Distinct plots drawn per picture kind and method; records share them under their own file
// names, which keeps a data set of thousands of records quick to write.
constexpr int kPlotVariants = 8;

struct RecordPictures {
    QString names[3];
    int variant = 0;
};

// What every record of a method draws before its own columns.
struct RecordDraw {
    int number; // 1-based
    double level;
    QString when;
    const RecordPictures* pictures;
    QString inspector;
    QVariant remark;
};

QVariantList UsRow(QRandomGenerator& rng, const RecordDraw& draw);
QVariantList TevRow(QRandomGenerator& rng, const RecordDraw& draw);
QVariantList HfctRow(QRandomGenerator& rng, const RecordDraw& draw);

struct MethodProfile {
    Method method;
    const char* prefix;             // picture file name prefix
    DemoDataSet::PlotKind kinds[3]; // pictures 1..3
    const char* kindNames[3];       // in the picture file names
    QVariantList (*makeRow)(QRandomGenerator& rng, const RecordDraw& draw);
};

const MethodProfile kMethods[] = {
    {Method::Us,
     "AE",
     {DemoDataSet::PlotKind::Waveform, DemoDataSet::PlotKind::Continuous, DemoDataSet::PlotKind::Prpd},
     {"WAVE", "CONT", "PRPD"},
     UsRow},
    {Method::Tev,
     "TEV",
     {DemoDataSet::PlotKind::Waveform, DemoDataSet::PlotKind::Prpd, DemoDataSet::PlotKind::Prps},
     {"WAVE", "PRPD", "PRPS"},
     TevRow},
    {Method::Hfct,
     "HFCT",
     {DemoDataSet::PlotKind::Waveform, DemoDataSet::PlotKind::Prpd, DemoDataSet::PlotKind::Prps},
     {"WAVE", "PRPD", "PRPS"},
     HfctRow},
};

// The method's position in the seeds and in the per-method arrays below.
int IndexOf(const MethodProfile& profile) {
    return MethodInfo::IndexOf(profile.method);
}

QString QuoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool Execute(sqlite3* db, const char* sql, QString* error) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) {
        return true;
    }
    if (error != nullptr) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    return false;
}

double Round1(double value) {
    return std::round(value * 10.0) / 10.0;
}

template <typename T, size_t N> const T& Pick(QRandomGenerator& rng, const T (&items)[N]) {
    return items[rng.bounded(static_cast<quint32>(N))];
}

// Mostly quiet equipment with a few records of real activity, as in a routine inspection.
double DrawLevel(QRandomGenerator& rng) {
    const double u = rng.generateDouble();
    return u * u * u;
}

QString Conclusion(double level) {
    if (level > 0.5) {
        return QStringLiteral("异常");
    }
    if (level > 0.2) {
        return QStringLiteral("注意");
    }
    return QStringLiteral("正常");
}

const QString kInspectors[] = {QStringLiteral("王明"), QStringLiteral("李强"), QStringLiteral("陈静")};

// Records of one method: the rows and, per row, the picture names and the plot variant.
struct GeneratedTable {
    QList<QVariantList> rows;
    QList<RecordPictures> pictures;
};

QVariantList UsRow(QRandomGenerator& rng, const RecordDraw& draw) {
    static const QString devices[] = {QStringLiteral("1号主变"), QStringLiteral("2号主变"),
                                      QStringLiteral("110kV GIS 城南线间隔"),
                                      QStringLiteral("110kV GIS 母联间隔"), QStringLiteral("35kV 电缆终端")};
    static const QString types[] = {QStringLiteral("变压器"), QStringLiteral("变压器"), QStringLiteral("GIS"),
                                    QStringLiteral("GIS"), QStringLiteral("电缆终端")};
    static const QString points[] = {QStringLiteral("A相盆式绝缘子"), QStringLiteral("B相盆式绝缘子"),
                                     QStringLiteral("C相盆式绝缘子"), QStringLiteral("断路器气室"),
                                     QStringLiteral("本体高压侧"),    QStringLiteral("本体低压侧")};
    static const QString phases[] = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    const int device = static_cast<int>(rng.bounded(5u));
    const double value = Round1(0.6 + draw.level * 38.0 + rng.generateDouble() * 0.8);
    return {draw.number,
            devices[device],
            types[device],
            Pick(rng, points),
            draw.when,
            Round1(0.2 + rng.generateDouble() * 0.5),
            value,
            Round1(value * (1.3 + rng.generateDouble() * 0.6)),
            Round1(value * (0.1 + draw.level * 0.5) * rng.generateDouble()),
            Round1(value * (0.1 + draw.level * 0.7) * rng.generateDouble()),
            QStringLiteral("mV"),
            Pick(rng, phases),
            Round1(22.0 + rng.generateDouble() * 8.0),
            static_cast<int>(45 + rng.bounded(30u)),
            draw.pictures->names[0],
            draw.pictures->names[1],
            draw.pictures->names[2],
            Conclusion(draw.level),
            draw.inspector,
            draw.remark};
}

QVariantList TevRow(QRandomGenerator& rng, const RecordDraw& draw) {
    static const QString cabinets[] = {
        QStringLiteral("10kV 城南线 911 开关柜"), QStringLiteral("10kV 东郊线 912 开关柜"),
        QStringLiteral("10kV 1号电容器 913 开关柜"), QStringLiteral("10kV 母联 900 开关柜"),
        QStringLiteral("10kV 1号站用变柜")};
    static const QString points[] = {QStringLiteral("前上"), QStringLiteral("前中"), QStringLiteral("前下"),
                                     QStringLiteral("后上"), QStringLiteral("后中"), QStringLiteral("后下"),
                                     QStringLiteral("侧上"), QStringLiteral("侧下")};
    const int value = 6 + static_cast<int>(draw.level * 38.0 + rng.bounded(4u));
    const int pulses = static_cast<int>(draw.level * 240.0 + rng.bounded(6u));
    return {draw.number,
            Pick(rng, cabinets),
            QStringLiteral("开关柜"),
            Pick(rng, points),
            draw.when,
            static_cast<int>(4 + rng.bounded(9u)),
            value,
            pulses,
            std::round(value * pulses / 10.0) / 100.0,
            QStringLiteral("dB"),
            draw.pictures->names[0],
            draw.pictures->names[1],
            draw.pictures->names[2],
            Conclusion(draw.level),
            draw.remark};
}

QVariantList HfctRow(QRandomGenerator& rng, const RecordDraw& draw) {
    static const QString devices[] = {QStringLiteral("1号主变"), QStringLiteral("2号主变"),
                                      QStringLiteral("110kV 城南线电缆终端"),
                                      QStringLiteral("35kV 开发区线电缆终端")};
    static const QString types[] = {QStringLiteral("变压器"), QStringLiteral("变压器"),
                                    QStringLiteral("电缆"), QStringLiteral("电缆")};
    static const QString points[] = {QStringLiteral("铁芯接地线"), QStringLiteral("夹件接地线"),
                                     QStringLiteral("A相接地线"), QStringLiteral("B相接地线"),
                                     QStringLiteral("C相接地线")};
    static const QString bands[] = {QStringLiteral("0.5-10MHz"), QStringLiteral("3-30MHz")};
    const int device = static_cast<int>(rng.bounded(4u));
    const int value = 20 + static_cast<int>(draw.level * 1800.0 + rng.bounded(30u));
    return {draw.number,
            devices[device],
            types[device],
            Pick(rng, points),
            draw.when,
            static_cast<int>(10 + rng.bounded(25u)),
            value,
            static_cast<int>(draw.level * 300.0 + rng.bounded(8u)),
            Pick(rng, bands),
            QStringLiteral("pC"),
            draw.pictures->names[0],
            draw.pictures->names[1],
            draw.pictures->names[2],
            Conclusion(draw.level),
            draw.remark};
}

// The picture file names of record `number` and the plot variant its level draws.
RecordPictures NamePictures(const MethodProfile& profile, int number, const QDateTime& time, double level,
                            const QString& extension) {
    RecordPictures pictures;
    pictures.variant = std::min(kPlotVariants - 1, static_cast<int>(level * kPlotVariants));
    const QString stem =
        QStringLiteral("%1_%2_%3_")
            .arg(QLatin1String(profile.prefix), time.toString(QStringLiteral("yyyyMMdd_HHmmss")))
            .arg(number, 4, 10, QLatin1Char('0'));
    for (int k = 0; k < 3; ++k) {
        pictures.names[k] = stem + QLatin1String(profile.kindNames[k]) + QLatin1Char('.') + extension;
    }
    return pictures;
}

GeneratedTable GenerateRecords(const MethodProfile& profile, int count, quint32 seed,
                               const QString& extension) {
    GeneratedTable table;
    table.rows.reserve(count);
    table.pictures.reserve(count);
    QRandomGenerator rng(seed * 2654435761u + static_cast<quint32>(IndexOf(profile)) * 40503u + 17u);
    QDateTime time(QDate(2024, 5, 13), QTime(9, 0, 0), QTimeZone::utc());
    time = time.addSecs(IndexOf(profile) * 3 * 3600);

    for (int i = 0; i < count; ++i) {
        time = time.addSecs(40 + rng.bounded(120));
        const double level = DrawLevel(rng);
        const RecordPictures pictures = NamePictures(profile, i + 1, time, level, extension);
        const QString& inspector = Pick(rng, kInspectors);
        const QVariant remark = level > 0.5 ? QVariant(QStringLiteral("建议缩短检测周期并复测")) : QVariant();
        const RecordDraw draw{i + 1,     level,     time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                              &pictures, inspector, remark};
        table.rows.append(profile.makeRow(rng, draw));
        table.pictures.append(pictures);
    }
    return table;
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        }
        return false;
    }
    return true;
}

bool CanDrawText() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QColor HeatColour(double t) {
    t = std::clamp(t, 0.0, 1.0);
    // Blue through green and yellow to red, the palette of the instruments' PRPD displays.
    return QColor::fromHsvF(static_cast<float>((1.0 - t) * 0.66), 0.9f, 0.95f);
}

struct PlotFrame {
    QRectF area;
};

PlotFrame DrawFrame(QPainter& painter, const QSize& size, const QString& title, const QStringList& xLabels,
                    const QString& yLabel) {
    painter.fillRect(QRect(QPoint(0, 0), size), QColor(250, 250, 247));
    const QRectF area(44, 26, size.width() - 56, size.height() - 56);
    painter.fillRect(area, Qt::white);
    painter.setPen(QPen(QColor(225, 225, 225), 1));
    for (int i = 1; i < 4; ++i) {
        const double x = area.left() + area.width() * i / 4.0;
        const double y = area.top() + area.height() * i / 4.0;
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.drawRect(area);
    if (CanDrawText()) {
        QFont font = painter.font();
        font.setPixelSize(13);
        painter.setFont(font);
        painter.drawText(QRectF(0, 4, size.width(), 20), Qt::AlignCenter, title);
        font.setPixelSize(10);
        painter.setFont(font);
        for (int i = 0; i < xLabels.size(); ++i) {
            const double x = area.left() + area.width() * i / std::max<qsizetype>(1, xLabels.size() - 1);
            painter.drawText(QRectF(x - 30, area.bottom() + 3, 60, 14), Qt::AlignHCenter | Qt::AlignTop,
                             xLabels.at(i));
        }
        painter.save();
        painter.translate(12, area.center().y());
        painter.rotate(-90);
        painter.drawText(QRectF(-60, -8, 120, 16), Qt::AlignCenter, yLabel);
        painter.restore();
    }
    return {area};
}

void DrawWaveform(QPainter& painter, const QSize& size, QRandomGenerator& rng, double level) {
    const PlotFrame frame = DrawFrame(painter, size, QStringLiteral("波形图"),
                                      {QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("10"),
                                       QStringLiteral("15"), QStringLiteral("20ms")},
                                      QStringLiteral("幅值"));
    const QRectF& area = frame.area;
    constexpr int kSamples = 720;
    // Pulses cluster on the rising flanks of the power-frequency cycle.
    const int pulseCount = 2 + static_cast<int>(level * 10.0);
    QList<double> pulseAt;
    QList<double> pulseHeight;
    for (int p = 0; p < pulseCount; ++p) {
        const double centre = (p % 2 == 0 ? 0.12 : 0.62) + (rng.generateDouble() - 0.5) * 0.16;
        pulseAt.append(centre * kSamples);
        pulseHeight.append((0.25 + 0.7 * level) * (0.5 + 0.5 * rng.generateDouble()));
    }
    QPainterPath path;
    for (int s = 0; s < kSamples; ++s) {
        double y = (rng.generateDouble() - 0.5) * 0.08;
        for (int p = 0; p < pulseCount; ++p) {
            const double dt = s - pulseAt.at(p);
            if (dt >= 0 && dt < 40) {
                y += pulseHeight.at(p) * std::exp(-dt / 7.0) * std::sin(dt * 1.3);
            }
        }
        y = std::clamp(y, -1.0, 1.0);
        const QPointF point(area.left() + area.width() * s / (kSamples - 1),
                            area.center().y() - y * area.height() / 2);
        if (s == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    painter.setPen(QPen(QColor(20, 90, 200), 1.2));
    painter.drawPath(path);
}

void DrawContinuous(QPainter& painter, const QSize& size, QRandomGenerator& rng, double level) {
    const PlotFrame frame = DrawFrame(painter, size, QStringLiteral("连续图"), {}, QString());
    const QRectF& area = frame.area;
    const QString names[] = {QStringLiteral("有效值"), QStringLiteral("周期峰值"),
                             QStringLiteral("频率成分1"), QStringLiteral("频率成分2")};
    const double values[] = {0.15 + level * 0.6, 0.25 + level * 0.7,
                             0.05 + level * 0.5 * rng.generateDouble(),
                             0.05 + level * 0.7 * rng.generateDouble()};
    const double slot = area.height() / 4.0;
    for (int i = 0; i < 4; ++i) {
        const double top = area.top() + slot * i + slot * 0.25;
        const double background = 0.04 + 0.06 * rng.generateDouble();
        painter.fillRect(
            QRectF(area.left() + 64, top, (area.width() - 70) * std::min(1.0, values[i]), slot * 0.5),
            HeatColour(values[i]));
        painter.fillRect(
            QRectF(area.left() + 64, top + slot * 0.5, (area.width() - 70) * background, slot * 0.12),
            QColor(120, 120, 120));
        if (CanDrawText()) {
            painter.setPen(QColor(40, 40, 40));
            painter.drawText(QRectF(area.left() + 2, top, 60, slot * 0.5), Qt::AlignVCenter | Qt::AlignLeft,
                             names[i]);
        }
    }
}

void DrawPrpd(QPainter& painter, const QSize& size, QRandomGenerator& rng, double level) {
    const PlotFrame frame = DrawFrame(painter, size, QStringLiteral("PRPD图"),
                                      {QStringLiteral("0°"), QStringLiteral("90°"), QStringLiteral("180°"),
                                       QStringLiteral("270°"), QStringLiteral("360°")},
                                      QStringLiteral("幅值"));
    const QRectF& area = frame.area;
    // Power-frequency reference.
    QPainterPath sine;
    for (int x = 0; x <= 360; x += 3) {
        const QPointF point(area.left() + area.width() * x / 360.0,
                            area.center().y() -
                                std::sin(x * std::numbers::pi / 180.0) * area.height() * 0.45);
        if (x == 0) {
            sine.moveTo(point);
        } else {
            sine.lineTo(point);
        }
    }
    painter.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
    painter.drawPath(sine);
    painter.setPen(Qt::NoPen);
    const int points = 300 + static_cast<int>(level * 1400.0);
    for (int i = 0; i < points; ++i) {
        double phase;
        double amplitude;
        if (rng.generateDouble() < 0.3) { // background noise, any phase, low
            phase = rng.generateDouble() * 360.0;
            amplitude = rng.generateDouble() * 0.12;
        } else { // discharge clusters near 45° and 225°
            const double centre = rng.generateDouble() < 0.55 ? 45.0 : 225.0;
            const double offset =
                (rng.generateDouble() + rng.generateDouble() + rng.generateDouble() - 1.5) * 45.0;
            phase = std::fmod(centre + offset + 360.0, 360.0);
            // Largest pulses near the cluster centre, fading towards its edges.
            const double envelope = std::max(0.0, 1.0 - std::abs(offset) / 70.0);
            amplitude = std::min(1.0, (0.1 + level * 0.85) * envelope * std::pow(rng.generateDouble(), 0.7));
        }
        painter.setBrush(HeatColour(amplitude));
        painter.drawEllipse(
            QPointF(area.left() + area.width() * phase / 360.0, area.bottom() - amplitude * area.height()),
            1.6, 1.6);
    }
}

void DrawPrps(QPainter& painter, const QSize& size, QRandomGenerator& rng, double level) {
    painter.fillRect(QRect(QPoint(0, 0), size), QColor(250, 250, 247));
    constexpr int kPhaseBins = 60;
    constexpr int kCycles = 40;
    // Oblique projection: phase to the right, cycles going back up and to the right.
    const QPointF origin(40, size.height() - 30);
    const double phaseStep = (size.width() - 170.0) / kPhaseBins;
    const QPointF cycleStep(100.0 / kCycles, -80.0 / kCycles);
    const double heightScale = size.height() - 130.0;
    auto base = [&](int bin, int cycle) { return origin + QPointF(bin * phaseStep, 0) + cycleStep * cycle; };
    painter.setPen(QPen(QColor(110, 110, 110), 1));
    painter.drawLine(base(0, 0), base(kPhaseBins, 0));
    painter.drawLine(base(0, 0), base(0, kCycles));
    painter.drawLine(base(kPhaseBins, 0), base(kPhaseBins, kCycles));
    painter.drawLine(base(0, kCycles), base(kPhaseBins, kCycles));
    for (int cycle = kCycles - 1; cycle >= 0; --cycle) {
        for (int bin = 0; bin < kPhaseBins; ++bin) {
            const double phase = (bin + 0.5) * 360.0 / kPhaseBins;
            const double d1 = std::abs(phase - 45.0);
            const double d2 = std::abs(phase - 225.0);
            const double nearPeak = std::exp(-std::min(d1, d2) * std::min(d1, d2) / 600.0);
            double height = rng.generateDouble() * 0.05;
            if (rng.generateDouble() < 0.25 + 0.6 * level) {
                height += nearPeak * (0.15 + level * 0.8) * rng.generateDouble();
            }
            if (height < 0.02) {
                continue;
            }
            const QPointF foot = base(bin, cycle);
            painter.setPen(QPen(HeatColour(height), 2.0));
            painter.drawLine(foot, foot - QPointF(0, height * heightScale));
        }
    }
    if (CanDrawText()) {
        QFont font = painter.font();
        font.setPixelSize(13);
        painter.setFont(font);
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(QRectF(0, 4, size.width(), 20), Qt::AlignCenter, QStringLiteral("PRPS图"));
        font.setPixelSize(10);
        painter.setFont(font);
        painter.drawText(QRectF(base(0, 0).x() - 10, origin.y() + 4, 40, 14), Qt::AlignLeft,
                         QStringLiteral("0°"));
        painter.drawText(QRectF(base(kPhaseBins, 0).x() - 30, origin.y() + 4, 40, 14), Qt::AlignRight,
                         QStringLiteral("360°"));
        const QPointF back = base(kPhaseBins, kCycles / 2);
        painter.drawText(QRectF(back.x() + 8, back.y(), 40, 14), Qt::AlignLeft, QStringLiteral("周期"));
    }
}

} // namespace

QString DemoDataSet::DefaultName() {
    return QStringLiteral("110kV城南变电站局放检测");
}

QStringList DemoDataSet::Formats() {
    return {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("bmp")};
}

QList<DemoDataSet::Column> DemoDataSet::UsColumns() {
    return {{QStringLiteral("序号"), QStringLiteral("INTEGER")},
            {QStringLiteral("设备名称"), QStringLiteral("TEXT")},
            {QStringLiteral("设备类型"), QStringLiteral("TEXT")},
            {QStringLiteral("测试点"), QStringLiteral("TEXT")},
            {QStringLiteral("检测时间"), QStringLiteral("TEXT")},
            {QStringLiteral("背景值"), QStringLiteral("REAL")},
            {QStringLiteral("有效值"), QStringLiteral("REAL")},
            {QStringLiteral("周期峰值"), QStringLiteral("REAL")},
            {QStringLiteral("频率成分1"), QStringLiteral("REAL")},
            {QStringLiteral("频率成分2"), QStringLiteral("REAL")},
            {QStringLiteral("单位"), QStringLiteral("TEXT")},
            {QStringLiteral("相位"), QStringLiteral("TEXT")},
            {QStringLiteral("环境温度"), QStringLiteral("REAL")},
            {QStringLiteral("环境湿度"), QStringLiteral("INTEGER")},
            {QStringLiteral("波形图"), QStringLiteral("TEXT")},
            {QStringLiteral("连续图"), QStringLiteral("TEXT")},
            {QStringLiteral("PRPD图"), QStringLiteral("TEXT")},
            {QStringLiteral("检测结论"), QStringLiteral("TEXT")},
            {QStringLiteral("检测人员"), QStringLiteral("TEXT")},
            {QStringLiteral("备注"), QStringLiteral("TEXT")}};
}

QList<DemoDataSet::Column> DemoDataSet::TevColumns() {
    return {{QStringLiteral("序号"), QStringLiteral("INTEGER")},
            {QStringLiteral("设备名称"), QStringLiteral("TEXT")},
            {QStringLiteral("设备类型"), QStringLiteral("TEXT")},
            {QStringLiteral("测试点"), QStringLiteral("TEXT")},
            {QStringLiteral("检测时间"), QStringLiteral("TEXT")},
            {QStringLiteral("背景值"), QStringLiteral("INTEGER")},
            {QStringLiteral("幅值"), QStringLiteral("INTEGER")},
            {QStringLiteral("脉冲数"), QStringLiteral("INTEGER")},
            {QStringLiteral("严重度"), QStringLiteral("REAL")},
            {QStringLiteral("单位"), QStringLiteral("TEXT")},
            {QStringLiteral("波形图"), QStringLiteral("TEXT")},
            {QStringLiteral("PRPD图"), QStringLiteral("TEXT")},
            {QStringLiteral("PRPS图"), QStringLiteral("TEXT")},
            {QStringLiteral("检测结论"), QStringLiteral("TEXT")},
            {QStringLiteral("备注"), QStringLiteral("TEXT")}};
}

QList<DemoDataSet::Column> DemoDataSet::HfctColumns() {
    return {{QStringLiteral("序号"), QStringLiteral("INTEGER")},
            {QStringLiteral("设备名称"), QStringLiteral("TEXT")},
            {QStringLiteral("设备类型"), QStringLiteral("TEXT")},
            {QStringLiteral("测试点"), QStringLiteral("TEXT")},
            {QStringLiteral("检测时间"), QStringLiteral("TEXT")},
            {QStringLiteral("背景值"), QStringLiteral("INTEGER")},
            {QStringLiteral("放电量"), QStringLiteral("INTEGER")},
            {QStringLiteral("脉冲数"), QStringLiteral("INTEGER")},
            {QStringLiteral("检测频带"), QStringLiteral("TEXT")},
            {QStringLiteral("单位"), QStringLiteral("TEXT")},
            {QStringLiteral("波形图"), QStringLiteral("TEXT")},
            {QStringLiteral("PRPD图"), QStringLiteral("TEXT")},
            {QStringLiteral("PRPS图"), QStringLiteral("TEXT")},
            {QStringLiteral("检测结论"), QStringLiteral("TEXT")},
            {QStringLiteral("备注"), QStringLiteral("TEXT")}};
}

QImage DemoDataSet::DrawPlot(PlotKind kind, quint32 seed, double level, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QRandomGenerator rng(seed);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case PlotKind::Waveform:
        DrawWaveform(painter, size, rng, level);
        break;
    case PlotKind::Continuous:
        DrawContinuous(painter, size, rng, level);
        break;
    case PlotKind::Prpd:
        DrawPrpd(painter, size, rng, level);
        break;
    case PlotKind::Prps:
        DrawPrps(painter, size, rng, level);
        break;
    }
    painter.end();
    return image;
}

QImage DemoDataSet::InstrumentScreen(const QImage& plot, quint32 seed) {
    // Light pixels become the screen's dark background; the noise is what keeps PNG from packing
    // the capture as tightly as a drawn plot.
    QImage screen = plot.convertToFormat(QImage::Format_RGB32);
    screen.invertPixels();
    QRandomGenerator rng(seed ^ 0x5EEDu);
    constexpr int kNoise = 2; // +-2 per channel in three pixels of eight: 100 to 150 KB at 400 x 300
    for (int y = 0; y < screen.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(screen.scanLine(y));
        for (int x = 0; x < screen.width(); ++x) {
            const quint32 bits = rng.generate();
            if ((bits >> 24) % 8 < 5)
                continue; // five pixels of eight stay clean
            const auto noisy = [&](int value, int shift) {
                return std::clamp(value + int((bits >> shift) % (2 * kNoise + 1)) - kNoise, 0, 255);
            };
            line[x] = qRgb(noisy(qRed(line[x]), 0), noisy(qGreen(line[x]), 8), noisy(qBlue(line[x]), 16));
        }
    }
    return screen;
}

QByteArray DemoDataSet::Encode(const QImage& image, const QString& format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray qtFormat =
        format == QLatin1String("jpg") ? QByteArray("JPEG") : format.toUpper().toLatin1();
    QImageWriter writer(&buffer, qtFormat);
    if (qtFormat == "JPEG") {
        writer.setQuality(90);
    }
    if (!writer.write(image)) {
        return QByteArray();
    }
    return bytes;
}

bool DemoDataSet::WriteTable(sqlite3* db, const QString& table, const QList<Column>& columns,
                             const QList<QVariantList>& rows, QString* error) {
    if (db == nullptr || columns.isEmpty()) {
        if (error != nullptr) {
            *error = QStringLiteral("no database or no columns");
        }
        return false;
    }
    QStringList definitions;
    QStringList placeholders;
    for (const Column& column : columns) {
        definitions.append((QuoteIdentifier(column.name) + QLatin1Char(' ') + column.type).trimmed());
        placeholders.append(QStringLiteral("?"));
    }
    const QByteArray create = QStringLiteral("CREATE TABLE %1 (%2)")
                                  .arg(QuoteIdentifier(table), definitions.join(QLatin1String(", ")))
                                  .toUtf8();
    const QByteArray insert = QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                  .arg(QuoteIdentifier(table), placeholders.join(QLatin1String(", ")))
                                  .toUtf8();
    if (!Execute(db, "BEGIN", error)) {
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    bool ok = Execute(db, create.constData(), error) &&
              sqlite3_prepare_v2(db, insert.constData(), -1, &statement, nullptr) == SQLITE_OK;
    for (qsizetype r = 0; ok && r < rows.size(); ++r) {
        const QVariantList& row = rows.at(r);
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant value = c < row.size() ? row.at(c) : QVariant();
            int rc = SQLITE_OK;
            switch (value.typeId()) {
            case QMetaType::UnknownType:
            case QMetaType::Nullptr:
                rc = sqlite3_bind_null(statement, c + 1);
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                rc = sqlite3_bind_text(statement, c + 1, bytes.constData(), static_cast<int>(bytes.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
                rc = sqlite3_bind_int64(statement, c + 1, value.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(statement, c + 1, value.toDouble());
                break;
            default: {
                const QByteArray text = value.toString().toUtf8();
                rc = sqlite3_bind_text(statement, c + 1, text.constData(), static_cast<int>(text.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            }
            ok = rc == SQLITE_OK;
        }
        ok = ok && sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
    }
    if (!ok && error != nullptr && error->isEmpty()) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(statement);
    if (!ok) {
        Execute(db, "ROLLBACK", nullptr);
        return false;
    }
    return Execute(db, "COMMIT", error);
}

namespace {

// Empty when the options can be used, else why not.
QString CheckOptions(const DemoDataSet::Options& options) {
    if (options.outDir.isEmpty()) {
        return QStringLiteral("no output folder given");
    }
    if (options.name.isEmpty() || options.name.contains(QLatin1Char('/')) ||
        options.name == QLatin1String(".") || options.name == QLatin1String("..")) {
        return QStringLiteral("invalid data set name: \"%1\"").arg(options.name);
    }
    if (options.records < 0) {
        return QStringLiteral("the number of records must not be negative");
    }
    if (!DemoDataSet::Formats().contains(options.format)) {
        return QStringLiteral("unknown picture format \"%1\" (use png, jpg or bmp)").arg(options.format);
    }
    return QString();
}

// The data set folder and its picture folders, empty; a data set made before is removed first
// when replacing is allowed.
bool PrepareFolders(const QString& folder, bool replace, QString* error) {
    const QString database = CDataSetLayout::DatabasePath(folder);
    QDir folderDir(folder);
    if (folderDir.exists() && !folderDir.isEmpty()) {
        if (!replace) {
            *error = QStringLiteral("%1 already exists; give --force to replace the data set").arg(folder);
            return false;
        }
        // Only what this generator writes is removed, never other files in the folder.
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            QFile::remove(database + QLatin1String(suffix));
        }
        for (const MethodProfile& profile : kMethods) {
            QDir(CDataSetLayout::PictureFolder(folder, profile.method)).removeRecursively();
        }
    }
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    for (const MethodProfile& profile : kMethods) {
        const QString pictureFolder = CDataSetLayout::PictureFolder(folder, profile.method);
        if (!QDir().mkpath(pictureFolder)) {
            *error = QStringLiteral("cannot create %1").arg(pictureFolder);
            return false;
        }
    }
    return true;
}

bool WriteDatabase(const QString& folder, const DemoDataSet::Options& options, GeneratedTable tables[3],
                   QString* error) {
    const QString database = CDataSetLayout::DatabasePath(folder);
    const QList<DemoDataSet::Column> layouts[3] = {DemoDataSet::UsColumns(), DemoDataSet::TevColumns(),
                                                   DemoDataSet::HfctColumns()};
    Common::CNkSQLiteOper db;
    if (!db.Open(database)) {
        *error = QStringLiteral("cannot create the database %1").arg(database);
        return false;
    }
    // A half-written sample is simply made again; waiting for the disk on every commit is not
    // worth it.
    sqlite3_exec(db.GetHandle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    QString sqlError;
    for (const MethodProfile& profile : kMethods) {
        const int index = IndexOf(profile);
        tables[index] = GenerateRecords(profile, options.records, options.seed, options.format);
        if (!DemoDataSet::WriteTable(db.GetHandle(),
                                     QString::fromLatin1(CDataSetLayout::RecordTable(profile.method)),
                                     layouts[index], tables[index].rows, &sqlError)) {
            *error = QStringLiteral("cannot write %1: %2").arg(database, sqlError);
            return false;
        }
    }
    return true;
}

// Picture k of every record of one method; records share the few drawn variants.
bool WritePictures(const QString& pictureFolder, const MethodProfile& profile, int k,
                   const GeneratedTable& table, const DemoDataSet::Options& options, QString* error) {
    QByteArray variants[kPlotVariants];
    for (const RecordPictures& pictures : table.pictures) {
        QByteArray& bytes = variants[pictures.variant];
        if (bytes.isEmpty()) {
            const double level = (pictures.variant + 0.5) / kPlotVariants;
            const quint32 plotSeed =
                options.seed * 7919u +
                static_cast<quint32>(IndexOf(profile) * 31 + k * 7 + pictures.variant * 101);
            const QImage plot = DemoDataSet::DrawPlot(profile.kinds[k], plotSeed, level);
            bytes = DemoDataSet::Encode(
                options.instrument ? DemoDataSet::InstrumentScreen(plot, plotSeed) : plot, options.format);
            if (bytes.isEmpty()) {
                *error = QStringLiteral("cannot encode a %1 picture").arg(options.format);
                return false;
            }
        }
        if (!WriteFile(CDataSetLayout::PicturePath(pictureFolder, pictures.names[k]), bytes, error)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool DemoDataSet::Generate(const Options& options, QString* folderPath, QString* error) {
    QString reason = CheckOptions(options);
    const QString folder = options.outDir + CDataSetLayout::kSeparator + options.name;
    GeneratedTable tables[3];
    bool ok = reason.isEmpty() && PrepareFolders(folder, options.replace, &reason) &&
              WriteDatabase(folder, options, tables, &reason);
    for (const MethodProfile& profile : kMethods) {
        const QString pictureFolder = CDataSetLayout::PictureFolder(folder, profile.method);
        for (int k = 0; ok && k < 3 && options.pictures && options.records > 0; ++k) {
            ok = WritePictures(pictureFolder, profile, k, tables[IndexOf(profile)], options, &reason);
        }
    }
    if (!ok) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    }
    if (folderPath != nullptr) {
        *folderPath = folder;
    }
    return true;
}
