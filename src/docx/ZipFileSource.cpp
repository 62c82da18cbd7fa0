#include "docx/ZipFileSource.h"

#include "wordfile/PictureGate.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Word {

namespace {

// Far above libzip's own requests (8 KiB), and above the size of a typical picture, so that most
// files are read with a single call.
constexpr qint64 kBlockSize = 256 * 1024;

} // namespace

ZipFileSource::ZipFileSource(const QString& path, qint64 expectedSize)
    : ZipFileSource(path, expectedSize, -1) {}

ZipFileSource::ZipFileSource(const QString& path, qint64 expectedSize, qint64 length)
    : m_path(path), m_expectedSize(expectedSize), m_length(length) {
    zip_error_init(&m_error);
}

ZipFileSource::ZipFileSource(const QString& path, Preparation prepare)
    : m_path(path), m_expectedSize(-1), m_length(-1), m_prepare(std::move(prepare)) {
    zip_error_init(&m_error);
}

ZipFileSource::~ZipFileSource() {
    zip_error_fini(&m_error);
}

zip_source_t* ZipFileSource::CreateSource(zip_t* archive) {
    return zip_source_function(archive, &ZipFileSource::Callback, this);
}

zip_int64_t ZipFileSource::Callback(void* userdata, void* data, zip_uint64_t length,
                                    zip_source_cmd_t command) {
    return static_cast<ZipFileSource*>(userdata)->Handle(data, length, command);
}

zip_int64_t ZipFileSource::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, -1);
    case ZIP_SOURCE_STAT: {
        if (!Prepared())
            return -1;
        auto* result = static_cast<zip_stat_t*>(data);
        zip_stat_init(result);
        result->valid = ZIP_STAT_SIZE;
        result->size = zip_uint64_t(Length());
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_OPEN:
        return Open() ? 0 : -1;
    case ZIP_SOURCE_READ:
        return Read(static_cast<char*>(data), length);
    case ZIP_SOURCE_CLOSE:
        m_file.Close();
        std::vector<char>().swap(m_block);
        return 0;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);
    case ZIP_SOURCE_FREE:
        m_file.Close();
        return 0;
    default:
        zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

bool ZipFileSource::Prepared() {
    if (m_prepare) {
        const Preparation prepare = std::exchange(m_prepare, nullptr);
        QString why;
        if (!prepare(&m_expectedSize, &why)) {
            m_expectedSize = -1;
            Fail(why, ZIP_ER_READ);
        }
    }
    return m_expectedSize >= 0;
}

bool ZipFileSource::Open() {
    if (!Prepared())
        return false;
    switch (m_file.Open(m_path)) {
    case PictureFile::Kind::Regular:
        break;
    case PictureFile::Kind::Unreadable:
        Fail(PictureGate::UnreadableMessage(m_path, m_file.ErrorString()), ZIP_ER_OPEN);
        return false;
    default:
        Fail(PictureGate::ChangedMessage(m_path), ZIP_ER_OPEN);
        return false;
    }
    if (m_file.Size() != m_expectedSize) {
        m_file.Close();
        Fail(PictureGate::ChangedMessage(m_path), ZIP_ER_CHANGED);
        return false;
    }
    m_remaining = Length();
    m_block.clear();
    m_blockStart = 0;
    return true;
}

zip_int64_t ZipFileSource::Read(char* data, zip_uint64_t length) {
    if (m_blockStart == m_block.size()) {
        if (m_remaining == 0)
            return 0;
        m_block.resize(std::size_t(std::min(kBlockSize, m_remaining)));
        m_blockStart = 0;
        const qint64 read = m_file.Read(m_block.data(), qint64(m_block.size()));
        if (read < 0)
            return Fail(PictureGate::UnreadableMessage(m_path, m_file.ErrorString()), ZIP_ER_READ);
        if (read != qint64(m_block.size()))
            return Fail(PictureGate::ChangedWhileWritingMessage(m_path), ZIP_ER_CHANGED);
        m_remaining -= read;
    }
    const std::size_t count = std::min<std::size_t>(std::size_t(length), m_block.size() - m_blockStart);
    std::memcpy(data, m_block.data() + m_blockStart, count);
    m_blockStart += count;
    return zip_int64_t(count);
}

qint64 ZipFileSource::Length() const {
    return m_length >= 0 ? std::min(m_length, m_expectedSize) : m_expectedSize;
}

zip_int64_t ZipFileSource::Fail(const QString& why, int zipError) {
    m_failure = why;
    zip_error_set(&m_error, zipError, 0);
    return -1;
}

} // namespace Word
