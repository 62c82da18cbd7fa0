#pragma once

#include "data/Method.h"
#include "report/BaseInfoRecord.h"
#include "report/MethodRecords.h"

// What one report needs besides the document producer: the confirmed basic information and the
// ticked records of each method. Written on the GUI thread while no job runs; the job copies it.
class CReportParam {
public:
    CReportParam();
    virtual ~CReportParam() = default;

    static CReportParam* GetInstance();

    MethodRecords* RecordsOf(Method method);
    // The combo box's method index (0 US, 1 TEV, 2 HFCT); null for any other index.
    MethodRecords* RecordsOf(int method);

    BaseInfoRecord m_baseInfo;
    MethodRecords m_usRecords;
    MethodRecords m_tevRecords;
    MethodRecords m_hfctRecords;
};
