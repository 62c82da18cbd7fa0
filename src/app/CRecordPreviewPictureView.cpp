#include "app/CRecordPreviewPictureView.h"

#include <QPainter>
#include <QPalette>

CRecordPreviewPictureView::CRecordPreviewPictureView(QWidget* parent) : QWidget(parent) {
    // 360 x 270 keeps a PRPD plot's phase and amplitude bands apart on any screen.
    setMinimumSize(360, 270);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::NoFocus);
}

QSize CRecordPreviewPictureView::sizeHint() const {
    return QSize(420, 315);
}

void CRecordPreviewPictureView::SetPicture(const QImage& image) {
    m_image = image;
    m_strPlaceholder.clear();
    update();
}

void CRecordPreviewPictureView::SetPlaceholder(const QString& text) {
    m_image = QImage();
    m_strPlaceholder = text;
    update();
}

void CRecordPreviewPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    if (!m_image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QSize size = m_image.size();
        // Small pictures are enlarged as well: the point is to read them.
        size.scale(area.size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(area.center());
        painter.drawImage(target, m_image);
        return;
    }
    painter.fillRect(area, palette().color(QPalette::AlternateBase));
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area.adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, m_strPlaceholder);
}
