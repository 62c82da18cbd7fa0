#include "report/CReportParam.h"

#include "report/SingletonHolder.h"

CReportParam::CReportParam() {
    // Until the basic information is first confirmed, every field prints as a single space.
    const QString space = QStringLiteral(" ");
    m_baseInfo.m_strInspector = space;
    m_baseInfo.m_strPlace = space;
    m_baseInfo.m_strInstrument = space;
    m_baseInfo.m_strDate = space;
    m_baseInfo.m_strEquipName = space;
    m_baseInfo.m_strEquipType = space;
    m_baseInfo.m_strModel = space;
    m_baseInfo.m_strTemperature = space;
    m_baseInfo.m_strHumidity = space;
}

CReportParam* CReportParam::GetInstance() {
    static SingletonHolder<CReportParam> holder;
    return holder.Get();
}

MethodRecords* CReportParam::RecordsOf(int method) {
    switch (method) {
    case 0:
        return &m_usRecords;
    case 1:
        return &m_tevRecords;
    case 2:
        return &m_hfctRecords;
    default:
        return nullptr;
    }
}
