#include "baseinfo/CDialogUnits.h"

#include <QFontMetrics>

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Rounded average, as the platform computes its dialog base unit.
    m_baseX = qMax(1, (metrics.horizontalAdvance(letters) / 26 + 1) / 2);
    m_baseY = qMax(1, metrics.height());
}
