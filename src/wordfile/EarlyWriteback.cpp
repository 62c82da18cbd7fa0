#include "wordfile/EarlyWriteback.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace Word {

namespace {

// Large enough that the calls are few, small enough that the disk starts early.
constexpr qint64 kStep = 8 << 20;

} // namespace

void EarlyWriteback::Reset(int fd) {
    m_fd = fd;
    m_started = 0;
}

void EarlyWriteback::Written(qint64 end) {
    if (m_fd < 0 || end - m_started < kStep)
        return;
#ifdef Q_OS_LINUX
    // A failure only means that the fsync will do the writing; the save's fsync reports errors.
    ::sync_file_range(m_fd, m_started, end - m_started, SYNC_FILE_RANGE_WRITE);
#endif
    m_started = end;
}

} // namespace Word
