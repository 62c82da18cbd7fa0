#pragma once

#include <QString>

#include <cstdint>

// A font as the report asks for it: face, size in points, colour (0 is black), bold, italic and
// underline kind (0: none).
struct FontInfo {
    QString m_strName;
    float m_fSize = 12.0f;
    std::int32_t m_nColor = 0;
    std::int32_t m_bBold = 0;
    std::int32_t m_bItalic = 0;
    std::int32_t m_bUnderline = 0;
};
