#pragma once

#include "report/MethodRecords.h"

#include <QString>

class CReport;

// The basic information of one inspection, and the entry points of the three report layouts
// (Report::ReportLayout) that print it.
struct BaseInfoRecord {
    QString m_strInspector;   // 检测人员
    QString m_strPlace;       // 检测地点
    QString m_strInstrument;  // 检测仪器
    QString m_strDate;        // 检测日期, e.g. "2020年8月6日"
    QString m_strEquipName;   // 设备名称
    QString m_strEquipType;   // 设备类型
    QString m_strModel;       // 仪器型号
    QString m_strTemperature; // 当天温度
    QString m_strHumidity;    // 当天湿度

    bool operator==(const BaseInfoRecord&) const = default;

    // Each writes one complete report to `path` and returns whether it was saved; `report`
    // receives the progress and the messages meant for the user.
    bool BuildUsReport(CReport& report, const QString& path, const MethodRecords& records) const;
    bool BuildTevReport(CReport& report, const QString& path, const MethodRecords& records) const;
    bool BuildHfctReport(CReport& report, const QString& path, const MethodRecords& records) const;
};
