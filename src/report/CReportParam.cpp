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
    static Report::SingletonHolder<CReportParam> holder;
    return holder.Get();
}

MethodRecords* CReportParam::RecordsOf(Method method) {
    // In the order of the method's index.
    static constexpr MethodRecords CReportParam::*kRecords[MethodInfo::kCount] = {
        &CReportParam::m_usRecords, &CReportParam::m_tevRecords, &CReportParam::m_hfctRecords};
    return &(this->*kRecords[MethodInfo::IndexOf(method)]);
}

MethodRecords* CReportParam::RecordsOf(int method) {
    const std::optional<Method> known = MethodInfo::FromIndex(method);
    return known ? RecordsOf(*known) : nullptr;
}
