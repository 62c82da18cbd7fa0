#include "word/PictureFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Word {

PictureFile::~PictureFile() {
    Close();
}

PictureFile::Kind PictureFile::Open(const QString& path) {
    Close();
    m_size = 0;
    m_errno = 0;
    const QByteArray native = QFile::encodeName(path);
    // The kind is learned before opening: opening a device can have effects of its own.
    struct stat status {};
    if (::stat(native.constData(), &status) != 0) {
        m_errno = errno;
        return m_errno == ENOENT || m_errno == ENOTDIR ? Kind::Missing : Kind::Unreadable;
    }
    if (S_ISDIR(status.st_mode))
        return Kind::Folder;
    if (!S_ISREG(status.st_mode))
        return Kind::Special;
    // O_NONBLOCK: should the file have become a pipe meanwhile, opening it does not wait for a writer.
    m_fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        m_errno = errno;
        return m_errno == ENOENT ? Kind::Missing : Kind::Unreadable;
    }
    m_size = qint64(status.st_size);
    return Kind::Regular;
}

void PictureFile::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

qint64 PictureFile::ReadAt(qint64 offset, char* data, qint64 length) {
    return ReadLoop(data, length, offset, true);
}

qint64 PictureFile::Read(char* data, qint64 length) {
    return ReadLoop(data, length, 0, false);
}

qint64 PictureFile::ReadLoop(char* data, qint64 length, qint64 offset, bool positioned) {
    if (m_fd < 0) {
        m_errno = EBADF;
        return -1;
    }
    qint64 done = 0;
    while (done < length) {
        const ssize_t count = positioned
                                  ? ::pread(m_fd, data + done, std::size_t(length - done), offset + done)
                                  : ::read(m_fd, data + done, std::size_t(length - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            m_errno = errno;
            return -1;
        }
        if (count == 0)
            break;
        done += count;
    }
    return done;
}

QString PictureFile::ErrorString() const {
    return m_errno != 0 ? QString::fromLocal8Bit(std::strerror(m_errno)) : QStringLiteral("Unknown error");
}

} // namespace Word
