#pragma once

#include <QFile>
#include <QString>

namespace Word {

// A picture file opened for reading with as few system calls as the job allows: a report touches
// thousands of small files twice (when a picture is inserted and when the document is saved), and
// on a virtual machine each call costs about as much as copying a few kilobytes. A folder, pipe or
// device is recognised before it is opened, so nothing can block or set a device going.
class PictureFile {
public:
    enum class Kind { Missing, Unreadable, Folder, Special, Regular };

    PictureFile() = default;
    ~PictureFile();
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // Opens `path` and tells what it found; only a Regular file stays open.
    Kind Open(const QString& path);
    void Close();
    bool IsOpen() const;

    qint64 Size() const { return m_size; }
    // Reads up to `length` bytes at `offset`; fewer only at the end of the file, -1 on an error.
    qint64 ReadAt(qint64 offset, char* data, qint64 length);
    // Reads on from the current position, like ReadAt.
    qint64 Read(char* data, qint64 length);

    // Why the last Open or read failed, in the system's words.
    QString ErrorString() const;

private:
    qint64 ReadLoop(char* data, qint64 length, qint64 offset, bool positioned);

    void SetSystemError(int code);

#ifdef Q_OS_WIN
    QFile m_file;
#else
    int m_fd = -1;
#endif
    qint64 m_size = 0;
    QString m_error;
};

} // namespace Word
