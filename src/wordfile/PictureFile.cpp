#include "wordfile/PictureFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Word {

PictureFile::~PictureFile() {
    Close();
}

#ifndef Q_OS_WIN

PictureFile::Kind PictureFile::Open(const QString& path) {
    Close();
    m_size = 0;
    m_error.clear();
    const QByteArray native = QFile::encodeName(path);
    // The kind is learned before opening: opening a device can have effects of its own.
    struct stat status {};
    if (::stat(native.constData(), &status) != 0) {
        const int code = errno;
        SetSystemError(code);
        // A name longer than the system allows names no file either.
        return code == ENOENT || code == ENOTDIR || code == ENAMETOOLONG ? Kind::Missing : Kind::Unreadable;
    }
    if (S_ISDIR(status.st_mode))
        return Kind::Folder;
    if (!S_ISREG(status.st_mode))
        return Kind::Special;
    // O_NONBLOCK: should the file have become a pipe meanwhile, opening it does not wait for a writer.
    m_fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        const int code = errno;
        SetSystemError(code);
        return code == ENOENT ? Kind::Missing : Kind::Unreadable;
    }
    m_size = qint64(status.st_size);
    return Kind::Regular;
}

void PictureFile::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PictureFile::IsOpen() const {
    return m_fd >= 0;
}

qint64 PictureFile::ReadLoop(char* data, qint64 length, qint64 offset, bool positioned) {
    if (m_fd < 0) {
        SetSystemError(EBADF);
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
            SetSystemError(errno);
            return -1;
        }
        if (count == 0)
            break;
        done += count;
    }
    return done;
}

#else // Windows: the same through Qt, where a file's kind and size cost no more to learn.

PictureFile::Kind PictureFile::Open(const QString& path) {
    Close();
    m_size = 0;
    m_error.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return Kind::Missing;
    if (info.isDir())
        return Kind::Folder;
    if (!info.isFile())
        return Kind::Special;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return Kind::Unreadable;
    }
    m_size = m_file.size();
    return Kind::Regular;
}

void PictureFile::Close() {
    m_file.close();
}

bool PictureFile::IsOpen() const {
    return m_file.isOpen();
}

qint64 PictureFile::ReadLoop(char* data, qint64 length, qint64 offset, bool positioned) {
    if (!m_file.isOpen() || (positioned && !m_file.seek(offset))) {
        m_error = m_file.errorString();
        return -1;
    }
    qint64 done = 0;
    while (done < length) {
        const qint64 count = m_file.read(data + done, length - done);
        if (count < 0) {
            m_error = m_file.errorString();
            return -1;
        }
        if (count == 0)
            break;
        done += count;
    }
    return done;
}

#endif

qint64 PictureFile::ReadAt(qint64 offset, char* data, qint64 length) {
    return ReadLoop(data, length, offset, true);
}

qint64 PictureFile::Read(char* data, qint64 length) {
    return ReadLoop(data, length, 0, false);
}

void PictureFile::SetSystemError(int code) {
    m_error = QString::fromLocal8Bit(std::strerror(code));
}

QString PictureFile::ErrorString() const {
    return m_error.isEmpty() ? QStringLiteral("Unknown error") : m_error;
}

} // namespace Word
