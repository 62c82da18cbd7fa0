#pragma once

#include <memory>

// Gives an object one worker thread that runs Run(). Stop() waits a bounded time for the worker
// and then forgets it; a forgotten worker is never cut off, and CBaseThread::JoinAbandonedWorkers()
// lets the program wait for it before exit so that nothing it writes is left half done.
//
// The running flag lives in state shared with the worker, not in this object, so a worker that
// outlives its object never writes to freed memory. A derived Run() must likewise stop touching
// its object once it has taken what it needs (see CZOLTDlg::Run).
class CBaseThread {
public:
    CBaseThread();
    virtual ~CBaseThread();

    CBaseThread(const CBaseThread&) = delete;
    CBaseThread& operator=(const CBaseThread&) = delete;

    // Stops a previous worker, then starts a new one; false when no thread could be created.
    bool Start();

    // Waits at most the stop timeout for a running worker, then forgets it.
    void Stop();

    // True from Start until the worker's Run has returned (or Stop forgot the worker).
    bool IsRunning() const;

    // Waits for every worker that Stop had to forget. Called once, at program exit.
    static void JoinAbandonedWorkers();

    static constexpr int kStopTimeoutMs = 1000;

protected:
    virtual void Run() = 0;

private:
    struct Worker;
    static void ThreadProc(std::shared_ptr<Worker> worker, CBaseThread* self);

    std::shared_ptr<Worker> m_pThread;
};
