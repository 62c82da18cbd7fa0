#pragma once

#include "wordfile/MarginInfo.h"

// The page margins of the report; never changed after construction.
class CCommonPage {
public:
    CCommonPage();
    virtual ~CCommonPage() = default;

    static CCommonPage* GetInstance();

    MarginInfo m_margins;
};
