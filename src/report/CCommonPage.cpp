#include "report/CCommonPage.h"

#include "report/SingletonHolder.h"

CCommonPage::CCommonPage() {
    m_margins.m_fTop = 67.0f;
    m_margins.m_fBottom = 67.0f;
    m_margins.m_fLeft = 42.0f;
    m_margins.m_fRight = 42.0f;
}

CCommonPage* CCommonPage::GetInstance() {
    static Report::SingletonHolder<CCommonPage> holder;
    return holder.Get();
}
