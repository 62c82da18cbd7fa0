#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

// Runs one program (or one function in a forked copy of this process) and measures it as the
// kernel sees it: wall time from fork to reaping, processor time and peak resident memory of the
// child from wait4, and optionally the time until a given text first appears on its output.
class ChildProcess {
public:
    struct Options {
        std::map<QByteArray, QByteArray> environment; // set on top of this process's environment
        QString workingDirectory;                     // empty: this process's
        QByteArray marker;                            // output text whose arrival is timed
        double timeoutMs = 600'000;                   // the child is killed after this long
    };

    struct Result {
        bool started = false;
        bool timedOut = false;
        int exitCode = -1; // -1 when the child did not exit normally
        int signal = 0;    // the signal that ended it, if any
        double wallMs = 0;
        double markerMs = -1; // -1 when the marker never came
        double cpuMs = 0;     // user + system time
        long peakRssKiB = 0;
        QByteArray output; // stdout and stderr together, the first 64 KiB

        bool Succeeded() const { return started && !timedOut && exitCode == 0; }
        // One line for a failure message.
        QString Describe() const;
    };

    // Runs program (an absolute path) with arguments.
    static Result Run(const QString& program, const QStringList& arguments, const Options& options);
    // Runs work() in a forked child whose exit code is its result.
    static Result RunFunction(const std::function<int()>& work, const Options& options);

private:
    static Result Start(const std::function<void()>& inChild, const Options& options);
};
