#pragma once

// Page margins in points. These are the defaults of a record made without values; the report
// never prints with them: its page setting (67, 67, 42, 42) is copied in before use.
struct MarginInfo {
    float m_fTop = 67.0f;
    float m_fBottom = 67.0f;
    float m_fLeft = 57.0f;
    float m_fRight = 57.0f;
};
