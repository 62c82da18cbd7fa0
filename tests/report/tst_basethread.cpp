#include "report/CBaseThread.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// A worker that runs until released (or for a fixed time), counting its runs.
class SleepyThread : public CBaseThread {
public:
    explicit SleepyThread(int runMs = 0) : m_runMs(runMs) {}
    ~SleepyThread() override { Stop(); }

    std::atomic<int> runs{0};
    std::atomic<bool> release{false};

protected:
    void Run() override {
        ++runs;
        const auto start = std::chrono::steady_clock::now();
        while (!release.load() &&
               std::chrono::steady_clock::now() - start < std::chrono::milliseconds(m_runMs)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    int m_runMs;
};

bool WaitUntilIdle(const CBaseThread& thread, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (thread.IsRunning() && timer.elapsed() < timeoutMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return !thread.IsRunning();
}

} // namespace

class TestBaseThread : public QObject {
    Q_OBJECT
private slots:
    void stopWithoutStartDoesNothing() {
        SleepyThread thread;
        QElapsedTimer timer;
        timer.start();
        thread.Stop();
        QVERIFY(!thread.IsRunning());
        QVERIFY(timer.elapsed() < 100);
    }

    void runReturningAtOnceClearsRunning() {
        SleepyThread thread(0);
        QVERIFY(thread.Start());
        QVERIFY(WaitUntilIdle(thread, 2000));
        QCOMPARE(thread.runs.load(), 1);
        QElapsedTimer timer;
        timer.start();
        thread.Stop();
        QVERIFY(timer.elapsed() < 500);
    }

    void secondStartWaitsForTheFirstThenRunsAgain() {
        SleepyThread thread(5000);
        QVERIFY(thread.Start());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(thread.Start()); // the first is still busy: waited for, then forgotten
        QVERIFY(timer.elapsed() >= CBaseThread::kStopTimeoutMs - 50);
        QTRY_COMPARE(thread.runs.load(), 2);
        thread.release = true;
        thread.Stop();
        CBaseThread::JoinAbandonedWorkers();
    }

    void stopReturnsEarlyWhenTheWorkerEnds() {
        SleepyThread thread(100);
        QVERIFY(thread.Start());
        QElapsedTimer timer;
        timer.start();
        thread.Stop();
        QVERIFY(!thread.IsRunning());
        QVERIFY(timer.elapsed() < CBaseThread::kStopTimeoutMs);
    }

    void destroyingWhileBusyReturnsAfterTheTimeoutAndNeverTouchesTheObject() {
        // The worker outlives its object; its end must only touch shared state (checked by
        // the sanitizer builds as well as by not crashing here).
        std::atomic<bool> release{false};
        std::atomic<bool> taken{false};
        class Detached : public CBaseThread {
        public:
            Detached(std::atomic<bool>& flag, std::atomic<bool>& taken) : m_flag(flag), m_taken(taken) {}
            ~Detached() override { Stop(); }

        protected:
            void Run() override {
                // Takes what it needs, then says so: only after that may the object go (as the
                // main window waits for its job to be picked up).
                std::atomic<bool>& flag = m_flag;
                m_taken.store(true);
                while (!flag.load()) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            }

        private:
            std::atomic<bool>& m_flag;
            std::atomic<bool>& m_taken;
        };
        QElapsedTimer timer;
        {
            auto* thread = new Detached(release, taken);
            QVERIFY(thread->Start());
            QTRY_VERIFY(taken.load());
            timer.start();
            delete thread;
        }
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= CBaseThread::kStopTimeoutMs - 50, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < CBaseThread::kStopTimeoutMs + 1500, qPrintable(QString::number(elapsed)));
        release = true;
        CBaseThread::JoinAbandonedWorkers();
    }
};

QTEST_GUILESS_MAIN(TestBaseThread)
#include "tst_basethread.moc"
