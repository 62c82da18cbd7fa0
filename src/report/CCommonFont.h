#pragma once

#include "word/FontInfo.h"

// The three fonts of the report; never changed after construction.
class CCommonFont {
public:
    CCommonFont();
    virtual ~CCommonFont() = default;

    static CCommonFont* GetInstance();

    FontInfo m_titleFont;
    FontInfo m_headingFont;
    FontInfo m_textFont;
};
