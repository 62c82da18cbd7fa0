#include "app/RecordFilterBar.h"

#include "app/RecordListProxy.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace App {

RecordFilterBar::RecordFilterBar(RecordListProxy* proxy, QWidget* parent)
    : QWidget(parent), m_proxy(proxy), m_field(new QLineEdit(this)), m_count(new QLabel(this)),
      m_pause(new QTimer(this)) {
    setObjectName(QStringLiteral("recordFilterBar"));
    m_field->setObjectName(QStringLiteral("recordFilter"));
    m_field->setPlaceholderText(QStringLiteral("筛选"));
    m_count->setObjectName(QStringLiteral("recordCount"));
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, &RecordFilterBar::ApplyFilter);
    connect(m_field, &QLineEdit::textChanged, m_pause, qOverload<>(&QTimer::start));
    connect(proxy, &RecordListProxy::CountsChanged, this, &RecordFilterBar::ShowCounts);
    ShowCounts();
}

void RecordFilterBar::Place(const QRect& area, int fieldWidth) {
    setGeometry(area);
    const int gap = fieldWidth / 16;
    m_field->setGeometry(0, 0, fieldWidth, area.height());
    m_count->setGeometry(fieldWidth + gap, 0, qMax(0, area.width() - fieldWidth - gap), area.height());
}

bool RecordFilterBar::HandleEscape(QObject* watched, QEvent* event) {
    if (watched != m_field) {
        return false;
    }
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
        return false;
    }
    if (type == QEvent::ShortcutOverride) {
        event->accept();
    } else {
        m_field->clear();
        ApplyFilter();
    }
    return true;
}

void RecordFilterBar::ApplyFilter() {
    m_pause->stop();
    m_proxy->SetFilterText(m_field->text());
}

void RecordFilterBar::ShowCounts() {
    m_count->setText(m_proxy->CountLine());
}

} // namespace App
