#pragma once

#include "wordfile/PictureFile.h"

#include <QString>

#include <zip.h>

#include <functional>
#include <vector>

namespace Word {

// One file read into a zip archive as libzip closes it. libzip's own file source opens every file
// once when it is added and again when it is read, through a stdio buffer; for thousands of small
// pictures those calls cost more than the bytes. This source opens the file only when libzip reads
// it, reads it in large blocks, and checks that it still has the size it had when it was inserted.
// The source must outlive the libzip source made from it.
class ZipFileSource {
public:
    // Makes the file ready (another thread may still be writing it) and tells its size, or why not.
    using Preparation = std::function<bool(qint64* size, QString* why)>;

    // The file must still have `expectedSize` bytes when it is read.
    ZipFileSource(const QString& path, qint64 expectedSize);
    // Only the first `length` bytes are read, of a file that must still have `expectedSize` bytes.
    ZipFileSource(const QString& path, qint64 expectedSize, qint64 length);
    // The file is read once `prepare` has told its size; it is asked when libzip first needs it.
    ZipFileSource(const QString& path, Preparation prepare);
    ~ZipFileSource();
    ZipFileSource(const ZipFileSource&) = delete;
    ZipFileSource& operator=(const ZipFileSource&) = delete;

    zip_source_t* CreateSource(zip_t* archive);

    // Why reading failed, for the user; empty while nothing failed.
    const QString& Failure() const { return m_failure; }

private:
    static zip_int64_t Callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    bool Prepared();
    qint64 Length() const;
    bool Open();
    zip_int64_t Read(char* data, zip_uint64_t length);
    zip_int64_t Fail(const QString& why, int zipError);

    QString m_path;
    qint64 m_expectedSize;
    qint64 m_length;       // bytes read into the archive; -1: the whole file
    Preparation m_prepare; // called once, then emptied
    PictureFile m_file;
    std::vector<char> m_block; // read ahead of libzip's small requests
    std::size_t m_blockStart = 0;
    qint64 m_remaining = 0; // bytes of the file not yet read into the block
    QString m_failure;
    zip_error_t m_error;
};

} // namespace Word
