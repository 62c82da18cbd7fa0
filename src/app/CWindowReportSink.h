#pragma once

#include "report/IReportSink.h"

#include <QPointer>

#include <atomic>
#include <memory>
#include <mutex>

class IUserPrompts;
class QObject;
class QWidget;

// Carries a report job's notifications from the worker to the main window: progress and the end
// as posted events, messages as boxes shown on the GUI thread while the worker waits.
// The window calls Abandon() before it goes: from then on nothing is posted to it, a waiting
// message returns at once, and the job stops as soon as it can.
class CWindowReportSink : public IReportSink, public std::enable_shared_from_this<CWindowReportSink> {
public:
    CWindowReportSink(QWidget* window, IUserPrompts* prompts);

    void PostProgress(int percent) override;
    void ShowMessage(const QString& text, const QString& subject) override;
    void PostDone(bool saved, const QString& error) override;
    bool IsAbandoned() const override;

    // GUI thread only.
    void Abandon();

private:
    struct PendingMessage;

    mutable std::mutex m_mutex;
    QWidget* m_pWindow;       // guarded by m_mutex; null once abandoned
    IUserPrompts* m_pPrompts; // guarded by m_mutex; null once abandoned
    std::atomic<bool> m_bAbandoned{false};
    std::shared_ptr<PendingMessage> m_pending; // the message the worker waits for, if any
};
