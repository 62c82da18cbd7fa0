#include "report/CBaseThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

struct CBaseThread::Worker {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool running = true; // cleared by the worker when Run has returned
};

namespace {

std::mutex g_abandonedMutex;
std::vector<std::thread> g_abandoned;

} // namespace

CBaseThread::CBaseThread() = default;

CBaseThread::~CBaseThread() {
    Stop();
}

bool CBaseThread::Start() {
    Stop();
    auto worker = std::make_shared<Worker>();
    try {
        worker->thread = std::thread(&CBaseThread::ThreadProc, worker, this);
    } catch (const std::system_error&) {
        return false;
    }
    m_pThread = std::move(worker);
    return true;
}

void CBaseThread::Stop() {
    if (!m_pThread) {
        return;
    }
    std::shared_ptr<Worker> worker = std::move(m_pThread);
    bool finished = false;
    {
        std::unique_lock lock(worker->mutex);
        finished = worker->finishedChanged.wait_for(lock, std::chrono::milliseconds(kStopTimeoutMs),
                                                    [&] { return !worker->running; });
    }
    if (finished) {
        worker->thread.join();
        return;
    }
    std::lock_guard lock(g_abandonedMutex);
    g_abandoned.push_back(std::move(worker->thread));
}

bool CBaseThread::IsRunning() const {
    if (!m_pThread) {
        return false;
    }
    std::lock_guard lock(m_pThread->mutex);
    return m_pThread->running;
}

void CBaseThread::JoinAbandonedWorkers() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(g_abandonedMutex);
        threads.swap(g_abandoned);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void CBaseThread::ThreadProc(std::shared_ptr<Worker> worker, CBaseThread* self) {
    self->Run();
    std::lock_guard lock(worker->mutex);
    worker->running = false;
    worker->finishedChanged.notify_all();
}
