#include "app/CWindowReportSink.h"

#include "app/CReportDoneEvent.h"
#include "app/CReportProgressEvent.h"
#include "baseinfo/IUserPrompts.h"

#include <QCoreApplication>
#include <QWidget>

#include <condition_variable>

struct CWindowReportSink::PendingMessage {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
};

CWindowReportSink::CWindowReportSink(QWidget* window, IUserPrompts* prompts)
    : m_pWindow(window), m_pPrompts(prompts) {}

void CWindowReportSink::PostProgress(int percent) {
    std::lock_guard lock(m_mutex);
    if (m_pWindow != nullptr) {
        QCoreApplication::postEvent(m_pWindow, new CReportProgressEvent(percent));
    }
}

void CWindowReportSink::PostDone(bool saved, const QString& error) {
    std::lock_guard lock(m_mutex);
    if (m_pWindow != nullptr) {
        QCoreApplication::postEvent(m_pWindow, new CReportDoneEvent(saved, error));
    }
}

bool CWindowReportSink::IsAbandoned() const {
    return m_bAbandoned.load();
}

void CWindowReportSink::ShowMessage(const QString& text, const QString&) {
    auto pending = std::make_shared<PendingMessage>();
    {
        std::lock_guard lock(m_mutex);
        if (m_pWindow == nullptr) {
            return;
        }
        m_pending = pending;
        QWidget* window = m_pWindow;
        // Shown by the GUI thread; the worker waits below. The box is skipped when the job was
        // abandoned before the GUI thread got to it.
        QMetaObject::invokeMethod(
            window,
            [self = shared_from_this(), pending, text, window] {
                IUserPrompts* prompts = nullptr;
                {
                    std::lock_guard guard(self->m_mutex);
                    prompts = self->m_pPrompts;
                }
                if (prompts != nullptr && !self->m_bAbandoned.load()) {
                    prompts->Message(window, text, QStringLiteral("ZOLT"), IUserPrompts::Icon::None,
                                     IUserPrompts::Buttons::Ok);
                }
                std::lock_guard guard(pending->mutex);
                pending->done = true;
                pending->answered.notify_all();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock lock(pending->mutex);
    pending->answered.wait(lock, [&] { return pending->done || m_bAbandoned.load(); });
}

void CWindowReportSink::Abandon() {
    std::shared_ptr<PendingMessage> pending;
    {
        std::lock_guard lock(m_mutex);
        m_bAbandoned = true;
        m_pWindow = nullptr;
        m_pPrompts = nullptr;
        pending = std::move(m_pending);
    }
    if (pending) {
        std::lock_guard lock(pending->mutex);
        pending->answered.notify_all();
    }
}
