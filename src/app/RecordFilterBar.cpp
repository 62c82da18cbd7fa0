#include "app/RecordFilterBar.h"

#include "app/RecordListProxy.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

RecordFilterBar::RecordFilterBar(RecordListProxy* proxy, QWidget* parent)
    : QWidget(parent), m_pProxy(proxy), m_pField(new QLineEdit(this)), m_pCount(new QLabel(this)),
      m_pPause(new QTimer(this)) {
    setObjectName(QStringLiteral("recordFilterBar"));
    m_pField->setObjectName(QStringLiteral("recordFilter"));
    m_pField->setPlaceholderText(QStringLiteral("筛选"));
    m_pCount->setObjectName(QStringLiteral("recordCount"));
    m_pPause->setSingleShot(true);
    m_pPause->setInterval(kPauseMs);
    connect(m_pPause, &QTimer::timeout, this, &RecordFilterBar::ApplyFilter);
    connect(m_pField, &QLineEdit::textChanged, m_pPause, qOverload<>(&QTimer::start));
    connect(proxy, &RecordListProxy::CountsChanged, this, &RecordFilterBar::ShowCounts);
    ShowCounts();
}

void RecordFilterBar::Place(const QRect& area, int fieldWidth) {
    setGeometry(area);
    const int gap = fieldWidth / 16;
    m_pField->setGeometry(0, 0, fieldWidth, area.height());
    m_pCount->setGeometry(fieldWidth + gap, 0, qMax(0, area.width() - fieldWidth - gap), area.height());
}

bool RecordFilterBar::HandleEscape(QObject* watched, QEvent* event) {
    if (watched != m_pField) {
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
        m_pField->clear();
        ApplyFilter();
    }
    return true;
}

void RecordFilterBar::ApplyFilter() {
    m_pPause->stop();
    m_pProxy->SetFilterText(m_pField->text());
}

void RecordFilterBar::ShowCounts() {
    m_pCount->setText(m_pProxy->CountLine());
}
