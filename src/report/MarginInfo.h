#pragma once

// Page margins in points.
struct MarginInfo {
    float m_fTop = 67.0f;
    float m_fBottom = 67.0f;
    float m_fLeft = 57.0f;
    float m_fRight = 57.0f;
};
