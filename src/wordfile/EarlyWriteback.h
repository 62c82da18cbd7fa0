#pragma once

#include <QtGlobal>

namespace Word {

// Starts the disk writing a file's bytes while the rest of the file is still being produced. Left
// alone, the kernel keeps a whole report of hundreds of megabytes in memory until the save's fsync,
// which then waits for all of it; started every few megabytes, the writing overlaps the work and the
// fsync waits for the last few only. It only starts writing: the save's fsync stays what makes the
// file durable. Where the system offers no such call, it does nothing.
class EarlyWriteback {
public:
    // `fd` is the open file's descriptor; -1 turns the object off.
    void Reset(int fd);
    // The file holds its bytes up to `end`; once enough of them are unstarted, they are started.
    void Written(qint64 end);

private:
    int m_fd = -1;
    qint64 m_started = 0; // bytes before this offset have been handed to the disk
};

} // namespace Word
