#pragma once

#include <QEvent>

// Posted by a report job to the main window after each data row.
class CReportProgressEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 101);
    explicit CReportProgressEvent(int percent) : QEvent(kType), m_nPercent(percent) {}
    int m_nPercent;
};
