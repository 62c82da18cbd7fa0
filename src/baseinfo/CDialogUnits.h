#pragma once

#include <QFont>
#include <QRect>

// Converts dialog-template units to pixels through the dialog font's metrics: the horizontal base
// is the average width of the 52 Latin letters, the vertical base the font height.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int ToX(int units) const { return units * m_baseX / 4; }
    int ToY(int units) const { return units * m_baseY / 8; }
    QRect ToRect(int x, int y, int width, int height) const {
        return QRect(ToX(x), ToY(y), ToX(width), ToY(height));
    }

private:
    int m_baseX = 1;
    int m_baseY = 1;
};
