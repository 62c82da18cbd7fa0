#pragma once

#include <QEvent>
#include <QString>

// Posted by a report job to the main window once, when it ends; says whether the report was saved.
class CReportDoneEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    CReportDoneEvent(bool saved, const QString& error) : QEvent(kType), m_bSaved(saved), m_strError(error) {}
    bool m_bSaved;
    QString m_strError;
};
