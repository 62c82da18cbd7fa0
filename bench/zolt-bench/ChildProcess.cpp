#include "ChildProcess.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr qsizetype kOutputKept = 64 * 1024;

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double TimevalMs(const timeval& value) {
    return value.tv_sec * 1e3 + value.tv_usec / 1e3;
}

// Keeps what the child writes (up to kOutputKept) and the time `marker` first appears, until the
// child closes its output or the deadline passes (then it is killed).
void ReadOutput(int fd, pid_t pid, double start, const ChildProcess::Options& options,
                ChildProcess::Result& result) {
    const double deadline = start + options.timeoutMs;
    QByteArray pending; // output not yet searched for the marker
    char buffer[16384];
    for (;;) {
        const double left = deadline - NowMs();
        if (left <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd watched{fd, POLLIN, 0};
        const int ready = poll(&watched, 1, static_cast<int>(left) + 1);
        if (ready <= 0) {
            continue; // interrupted, or the deadline check above ends the wait
        }
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        const double arrived = NowMs();
        if (result.output.size() < kOutputKept) {
            result.output.append(buffer, std::min<qsizetype>(count, kOutputKept - result.output.size()));
        }
        if (!options.marker.isEmpty() && result.markerMs < 0) {
            pending.append(buffer, count);
            if (pending.contains(options.marker)) {
                result.markerMs = arrived - start;
                pending.clear();
            } else {
                pending = pending.right(options.marker.size());
            }
        }
    }
}

// Waits for the child and takes its times, peak memory and end.
void Reap(pid_t pid, double start, ChildProcess::Result& result) {
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.wallMs = NowMs() - start;
    result.cpuMs = TimevalMs(usage.ru_utime) + TimevalMs(usage.ru_stime);
    result.peakRssKiB = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

} // namespace

QString ChildProcess::Result::Describe() const {
    if (!started) {
        return QStringLiteral("could not be started");
    }
    if (timedOut) {
        return QStringLiteral("timed out and was killed");
    }
    QString text = signal != 0 ? QStringLiteral("ended by signal %1").arg(signal)
                               : QStringLiteral("exit status %1").arg(exitCode);
    const QString tail = QString::fromLocal8Bit(output.right(600)).trimmed();
    if (!tail.isEmpty()) {
        text += QStringLiteral("; its output ends with:\n") + tail;
    }
    return text;
}

ChildProcess::Result ChildProcess::Run(const QString& program, const QStringList& arguments,
                                       const Options& options) {
    // Everything the child needs is prepared before the fork: after it only exec is called.
    std::vector<std::string> argumentStore{QFile::encodeName(program).toStdString()};
    for (const QString& argument : arguments) {
        argumentStore.push_back(QFile::encodeName(argument).toStdString());
    }
    std::vector<std::string> environmentStore;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        const QByteArray name(*entry, equals != nullptr ? equals - *entry : qsizetype(std::strlen(*entry)));
        if (options.environment.count(name) == 0) {
            environmentStore.emplace_back(*entry);
        }
    }
    for (const auto& [name, value] : options.environment) {
        environmentStore.push_back((name + '=' + value).toStdString());
    }
    std::vector<char*> argv;
    for (std::string& argument : argumentStore) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environmentStore) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    return Start([&] { execve(argv[0], argv.data(), envp.data()); }, options);
}

ChildProcess::Result ChildProcess::RunFunction(const std::function<int()>& work, const Options& options) {
    return Start([&] { _exit(work()); }, options);
}

ChildProcess::Result ChildProcess::Start(const std::function<void()>& inChild, const Options& options) {
    Result result;
    int pipeEnds[2] = {-1, -1};
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return result;
    }
    const QByteArray directory = QFile::encodeName(options.workingDirectory);
    std::fflush(stdout);
    std::fflush(stderr);

    const double start = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        if (!directory.isEmpty() && chdir(directory.constData()) != 0) {
            _exit(127);
        }
        inChild();
        _exit(127);
    }
    close(pipeEnds[1]);
    if (pid < 0) {
        close(pipeEnds[0]);
        return result;
    }
    result.started = true;

    // Read the output until the child closes it (it exits), watching for the marker.
    ReadOutput(pipeEnds[0], pid, start, options, result);
    close(pipeEnds[0]);
    Reap(pid, start, result);
    return result;
}
