#include "docx/ZipFileSink.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace Word {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

} // namespace

ZipFileSink::ZipFileSink(const QString& path) : m_file(path) {
    zip_error_init(&m_error);
}

ZipFileSink::~ZipFileSink() {
    Discard();
    zip_error_fini(&m_error);
}

zip_source_t* ZipFileSink::CreateSource(zip_error_t* error) {
    return zip_source_function_create(&ZipFileSink::Callback, this, error);
}

zip_int64_t ZipFileSink::Callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<ZipFileSink*>(userdata)->Handle(data, length, command);
}

zip_int64_t ZipFileSink::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        // libzip only writes to a source that can also be read and seeked; a new archive is
        // never read back, so those commands answer with an error.
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE,
            ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE,
            ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    case ZIP_SOURCE_STAT: {
        // zip_open_from_source learns from this whether the archive exists already.
        const QFileInfo info(m_file.fileName());
        if (!info.exists())
            return Fail(ZIP_ER_READ, ENOENT);
        auto* result = static_cast<zip_stat_t*>(data);
        zip_stat_init(result);
        result->valid = ZIP_STAT_SIZE;
        result->size = zip_uint64_t(info.size());
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_BEGIN_WRITE:
        return Begin() ? 0 : -1;
    case ZIP_SOURCE_WRITE:
        return Write(static_cast<const char*>(data), length) ? zip_int64_t(length) : -1;
    case ZIP_SOURCE_SEEK_WRITE: {
        const zip_int64_t offset = zip_source_seek_compute_offset(m_position, m_end, data, length, &m_error);
        if (offset < 0)
            return -1;
        m_position = zip_uint64_t(offset);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return zip_int64_t(m_position);
    case ZIP_SOURCE_COMMIT_WRITE:
        return Commit() ? 0 : -1;
    case ZIP_SOURCE_ROLLBACK_WRITE:
    case ZIP_SOURCE_REMOVE:
        Discard();
        return 0;
    default:
        return Fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

bool ZipFileSink::Begin() {
    Discard();
    // Unbuffered: every write below is already a large block.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        Fail(m_file.error() == QFileDevice::OpenError && m_file.exists() ? ZIP_ER_EXISTS : ZIP_ER_OPEN,
             errno);
        return false;
    }
    m_buffer.reserve(kBufferSize);
    m_buffer.clear();
    m_bufferStart = m_position = m_end = 0;
    m_writeback.Reset(m_file.handle());
    return true;
}

bool ZipFileSink::Write(const char* data, zip_uint64_t length) {
    if (!m_file.isOpen()) {
        Fail(ZIP_ER_INTERNAL, 0);
        return false;
    }
    const zip_uint64_t bufferEnd = m_bufferStart + m_buffer.size();
    if (m_position >= m_bufferStart && m_position + length <= bufferEnd) {
        // A header finished after its entry's data, still in the buffer.
        std::memcpy(m_buffer.data() + (m_position - m_bufferStart), data, length);
    } else if (m_position == bufferEnd && m_buffer.size() + length <= kBufferSize) {
        m_buffer.insert(m_buffer.end(), data, data + length);
    } else {
        // libzip writes in blocks far smaller than the buffer.
        if (!Flush())
            return false;
        m_bufferStart = m_position;
        m_buffer.assign(data, data + length);
    }
    m_position += length;
    m_end = std::max(m_end, m_position);
    return true;
}

bool ZipFileSink::Flush() {
    if (!m_buffer.empty() && !WriteAt(m_buffer.data(), m_buffer.size(), m_bufferStart))
        return false;
    m_writeback.Written(qint64(m_bufferStart + m_buffer.size()));
    m_buffer.clear();
    return true;
}

bool ZipFileSink::WriteAt(const char* data, zip_uint64_t length, zip_uint64_t offset) {
    if (!m_file.seek(qint64(offset)) || m_file.write(data, qint64(length)) != qint64(length)) {
        Fail(ZIP_ER_WRITE, errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

bool ZipFileSink::Commit() {
    if (!m_file.isOpen()) {
        Fail(ZIP_ER_INTERNAL, 0);
        return false;
    }
    if (!Flush())
        return false;
    m_writeback.Reset(-1);
    m_file.close();
    m_buffer = {};
    if (m_file.error() != QFileDevice::NoError) {
        Fail(ZIP_ER_CLOSE, errno != 0 ? errno : EIO);
        m_file.remove();
        return false;
    }
    return true;
}

void ZipFileSink::Discard() {
    m_writeback.Reset(-1);
    if (!m_file.isOpen())
        return;
    m_file.close();
    m_file.remove();
    m_buffer = {};
}

zip_int64_t ZipFileSink::Fail(int zipError, int systemError) {
    zip_error_set(&m_error, zipError, systemError);
    return -1;
}

} // namespace Word
