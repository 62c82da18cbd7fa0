#pragma once

#include "wordfile/EarlyWriteback.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace Word {

// Writes a compound file ([MS-CFB] version 3, 512-byte sectors) from front to back, so that a stream
// of any size can be written piece by piece without being held in memory. Streams lie in consecutive
// sectors in the order they are written; streams smaller than 4096 bytes go to the mini stream. The
// FAT, the DIFAT sectors (for files beyond about 7 MB), the directory and the mini FAT are written
// behind the streams by Finish, which then fills in the header in front of them.
//
// All streams live directly under the root storage; the format needs nothing else.
class CfbWriter {
public:
    // Version 3 files keep stream sizes below 2 GB.
    static constexpr std::int64_t kMaxStreamSize = 0x7FFFFFFF;

    // `device` is open for writing, empty and seekable; it stays owned by the caller.
    explicit CfbWriter(QIODevice* device);

    void SetRootClassId(const QByteArray& clsid); // 16 bytes, as stored

    // One stream is written at a time: BeginStream, any number of Write calls, EndStream.
    bool BeginStream(const QString& name);
    bool Write(const char* data, std::int64_t size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    std::int64_t StreamPosition() const { return m_streamSize; } // bytes written to the open stream
    bool EndStream();

    bool AddStream(const QString& name, const QByteArray& data);

    // Writes the tables behind the streams and the header; the device is complete afterwards.
    bool Finish();

    QString ErrorString() const { return m_error; }

private:
    struct Stream {
        QString name;
        std::int64_t size = 0;
        std::uint32_t start = 0; // sector, or mini sector when mini
        bool mini = false;
    };
    struct Run { // consecutive sectors forming one chain
        std::uint32_t start = 0;
        std::uint32_t count = 0;
    };

    bool Fail(const QString& message);
    bool WriteRaw(const char* data, std::int64_t size);
    bool FlushWholeSectors();
    bool WriteSectorRun(const QByteArray& bytes, Run* run); // pads to whole sectors
    QByteArray DirectoryBytes(std::uint32_t miniStreamStart, std::uint32_t miniStreamSize) const;
    QByteArray MiniFatBytes() const;
    QByteArray FatSector(std::uint32_t index, std::uint32_t fatStart, std::uint32_t fatCount,
                         std::uint32_t difatCount) const;
    QByteArray Header(std::uint32_t fatStart, std::uint32_t fatCount, std::uint32_t difatCount,
                      std::uint32_t directoryStart, std::uint32_t miniFatStart,
                      std::uint32_t miniFatCount) const;

    QIODevice* m_device;
    EarlyWriteback m_writeback; // when the device is a file
    QByteArray m_rootClassId;
    QString m_error;
    bool m_finished = false;

    std::vector<Stream> m_streams;
    std::vector<Run> m_runs;        // every sector written so far, in order
    std::uint32_t m_nextSector = 0; // sectors written so far
    QByteArray m_miniStream;        // contents of the small streams, 64-byte aligned

    bool m_open = false;
    bool m_openIsRegular = false; // the open stream has reached the mini stream cutoff
    std::int64_t m_streamSize = 0;
    std::uint32_t m_openStart = 0;
    QByteArray m_pending; // bytes of the open stream not yet written as whole sectors
};

} // namespace Word
