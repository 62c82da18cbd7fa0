#pragma once

#include "wordfile/EarlyWriteback.h"

#include <QFile>
#include <QString>

#include <zip.h>

#include <vector>

namespace Word {

// The file a new zip archive is written to, as a libzip source. libzip's own file output goes
// through a 4 KiB stdio buffer and reads a block back at every seek, and it seeks twice per entry
// to finish the entry's header; for a package of thousands of pictures those small calls cost more
// than copying the bytes. Here the archive is gathered in one large buffer: a header finished while
// its entry is still buffered is patched in memory, an older one with one positioned write.
// The source creates the file (which must not exist) when libzip begins writing, removes it again
// when libzip rolls back, and leaves it complete and closed on commit; flushing it to disk is the
// caller's business, which the sink speeds up by starting the disk on the bytes written so far.
class ZipFileSink {
public:
    explicit ZipFileSink(const QString& path);
    ~ZipFileSink();
    ZipFileSink(const ZipFileSink&) = delete;
    ZipFileSink& operator=(const ZipFileSink&) = delete;

    // A new source writing to this sink, for zip_open_from_source; the sink must outlive it.
    zip_source_t* CreateSource(zip_error_t* error);

private:
    static zip_int64_t Callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);

    bool Begin();
    bool Write(const char* data, zip_uint64_t length);
    bool Flush();
    bool WriteAt(const char* data, zip_uint64_t length, zip_uint64_t offset);
    bool Commit();
    void Discard();
    zip_int64_t Fail(int zipError, int systemError);

    QFile m_file;
    std::vector<char> m_buffer; // file bytes from m_bufferStart on, not yet written
    zip_uint64_t m_bufferStart = 0;
    zip_uint64_t m_position = 0; // where the next write goes
    zip_uint64_t m_end = 0;      // size of the file being written
    EarlyWriteback m_writeback;
    zip_error_t m_error;
};

} // namespace Word
