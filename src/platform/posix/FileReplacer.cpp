#include "platform/FileReplacer.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace Platform {

namespace {

QString SystemReason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

bool FileReplacer::FlushFile(const QString& path, QString* reason) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *reason = SystemReason(errno);
        return false;
    }
    const bool flushed = ::fsync(fd) == 0;
    const int code = errno;
    ::close(fd);
    if (!flushed)
        *reason = SystemReason(code);
    return flushed;
}

void FileReplacer::FlushFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool FileReplacer::Replace(const QString& temporary, const QString& target, QString* reason) {
    // rename(2) replaces the target in one step; an open handle elsewhere never stops it.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    *reason = SystemReason(errno);
    return false;
}

} // namespace Platform
