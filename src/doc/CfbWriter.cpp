#include "doc/CfbWriter.h"

#include "doc/DocByteWriter.h"

#include <QFileDevice>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <functional>

namespace Word {

namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::int64_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kEntriesPerSector = kSectorSize / 4;
constexpr std::uint32_t kHeaderDifatEntries = 109;

constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

constexpr int kMaxNameLength = 31;
// Pieces are gathered to this size before they are written, so that a stream of pictures costs few
// system calls while the memory held stays small; a multiple of the sector size.
constexpr qsizetype kFlushChunk = 256 * 1024;

std::uint32_t SectorsFor(std::int64_t bytes) {
    return static_cast<std::uint32_t>((bytes + kSectorSize - 1) / kSectorSize);
}

// [MS-CFB] 2.6.4: shorter names sort first, names of equal length compare by their upper-case form.
bool NameLess(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return a.size() < b.size();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t ca = a[i].toUpper().unicode();
        const char16_t cb = b[i].toUpper().unicode();
        if (ca != cb)
            return ca < cb;
    }
    return false;
}

void DirectoryEntry(DocByteWriter& out, const QString& name, int type, bool black, std::uint32_t left,
                    std::uint32_t right, std::uint32_t child, const QByteArray& clsid, std::uint32_t start,
                    std::uint64_t size) {
    const qsizetype begin = out.Size();
    out.Utf16(name);
    out.Zeros(64 - (out.Size() - begin));
    out.U16(name.isEmpty() ? 0 : static_cast<std::uint32_t>((name.size() + 1) * 2));
    out.U8(static_cast<std::uint32_t>(type));
    out.U8(black ? 1 : 0);
    out.U32(left);
    out.U32(right);
    out.U32(child);
    if (clsid.size() == 16)
        out.Bytes(clsid);
    else
        out.Zeros(16);
    out.U32(0);    // state bits
    out.Zeros(16); // creation and modification times
    out.U32(start);
    out.U64(size);
}

} // namespace

CfbWriter::CfbWriter(QIODevice* device) : m_device(device) {
    if (const auto* file = qobject_cast<QFileDevice*>(device))
        m_writeback.Reset(file->handle());
    // The header is written last; its sector is reserved now.
    const QByteArray placeholder(kSectorSize, '\0');
    WriteRaw(placeholder.constData(), placeholder.size());
}

void CfbWriter::SetRootClassId(const QByteArray& clsid) {
    m_rootClassId = clsid;
}

bool CfbWriter::Fail(const QString& message) {
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

bool CfbWriter::WriteRaw(const char* data, std::int64_t size) {
    if (!m_error.isEmpty())
        return false;
    // A full disk first shows as a short write without an error; writing the rest brings out the
    // reason, so that the user is told more than "Unknown error".
    while (size > 0) {
        const qint64 written = m_device->write(data, size);
        if (written <= 0)
            return Fail(m_device->errorString());
        data += written;
        size -= written;
    }
    m_writeback.Written(m_device->pos());
    return true;
}

bool CfbWriter::BeginStream(const QString& name) {
    if (!m_error.isEmpty())
        return false;
    if (m_open || m_finished)
        return Fail(QStringLiteral("compound file: stream begun while another is open"));
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return Fail(QStringLiteral("compound file: invalid stream name"));
    for (const Stream& s : m_streams) {
        if (!NameLess(s.name, name) && !NameLess(name, s.name))
            return Fail(QStringLiteral("compound file: duplicate stream name %1").arg(name));
    }
    m_open = true;
    m_openIsRegular = false;
    m_streamSize = 0;
    m_pending.clear();
    m_streams.push_back(Stream{name, 0, 0, false});
    return true;
}

bool CfbWriter::Write(const char* data, std::int64_t size) {
    if (!m_error.isEmpty())
        return false;
    if (!m_open)
        return Fail(QStringLiteral("compound file: write without an open stream"));
    if (size <= 0)
        return true;
    if (size > kMaxStreamSize - m_streamSize)
        return Fail(QStringLiteral("The document is too large for the Word 97-2003 format (2 GB)."));
    m_streamSize += size;
    if (!m_openIsRegular && m_streamSize >= kMiniStreamCutoff) {
        m_openIsRegular = true;
        m_openStart = m_nextSector;
    }
    if (m_openIsRegular && m_pending.capacity() < kFlushChunk)
        m_pending.reserve(kFlushChunk);
    if (!m_openIsRegular || m_pending.size() + size < kFlushChunk) {
        m_pending.append(data, static_cast<qsizetype>(size));
        return true;
    }
    if (size < kFlushChunk) {
        // The buffer is filled to its size, written, and takes the rest: it never grows.
        const qsizetype head = kFlushChunk - m_pending.size();
        m_pending.append(data, head);
        if (!FlushWholeSectors())
            return false;
        m_pending.append(data + head, static_cast<qsizetype>(size) - head);
        return true;
    }
    // A piece as large as the gathering buffer goes to the device from the caller's bytes: the
    // pending bytes are completed to a whole sector first, and only the last partial sector is kept.
    const std::int64_t fill =
        std::min<std::int64_t>(size, (kSectorSize - m_pending.size() % kSectorSize) % kSectorSize);
    m_pending.append(data, static_cast<qsizetype>(fill));
    data += fill;
    size -= fill;
    if (!FlushWholeSectors())
        return false;
    if (m_pending.isEmpty()) {
        const std::int64_t whole = size - size % kSectorSize;
        if (!WriteRaw(data, whole))
            return false;
        m_nextSector += static_cast<std::uint32_t>(whole / kSectorSize);
        data += whole;
        size -= whole;
    }
    m_pending.append(data, static_cast<qsizetype>(size));
    return true;
}

bool CfbWriter::FlushWholeSectors() {
    const qsizetype whole = m_pending.size() - m_pending.size() % kSectorSize;
    if (whole == 0)
        return true;
    if (!WriteRaw(m_pending.constData(), whole))
        return false;
    m_nextSector += static_cast<std::uint32_t>(whole / kSectorSize);
    m_pending.remove(0, whole);
    return true;
}

bool CfbWriter::EndStream() {
    if (!m_error.isEmpty())
        return false;
    if (!m_open)
        return Fail(QStringLiteral("compound file: no open stream"));
    m_open = false;
    Stream& stream = m_streams.back();
    stream.size = m_streamSize;
    if (m_openIsRegular) {
        if (m_pending.size() % kSectorSize != 0)
            m_pending.append(kSectorSize - m_pending.size() % kSectorSize, '\0');
        if (!FlushWholeSectors())
            return false;
        stream.start = m_openStart;
        m_runs.push_back(Run{m_openStart, m_nextSector - m_openStart});
    } else {
        stream.mini = true;
        if (m_streamSize == 0) {
            stream.start = kEndOfChain;
        } else {
            stream.start = static_cast<std::uint32_t>(m_miniStream.size() / kMiniSectorSize);
            m_miniStream.append(m_pending);
            const qsizetype rest = m_miniStream.size() % kMiniSectorSize;
            if (rest != 0)
                m_miniStream.append(kMiniSectorSize - rest, '\0');
        }
    }
    m_pending.clear();
    m_streamSize = 0;
    return true;
}

bool CfbWriter::AddStream(const QString& name, const QByteArray& data) {
    return BeginStream(name) && Write(data) && EndStream();
}

bool CfbWriter::WriteSectorRun(const QByteArray& bytes, Run* run) {
    run->start = m_nextSector;
    run->count = SectorsFor(bytes.size());
    if (!WriteRaw(bytes.constData(), bytes.size()))
        return false;
    const qsizetype rest = bytes.size() % kSectorSize;
    if (rest != 0) {
        const QByteArray padding(kSectorSize - rest, '\0');
        if (!WriteRaw(padding.constData(), padding.size()))
            return false;
    }
    m_nextSector += run->count;
    m_runs.push_back(*run);
    return true;
}

QByteArray CfbWriter::DirectoryBytes(std::uint32_t miniStreamStart, std::uint32_t miniStreamSize) const {
    // Entry 0 is the root; entry i + 1 is stream i. The streams form one balanced binary search tree
    // under the root. Colouring the nodes of an incomplete last level red and all others black makes
    // it a valid red-black tree, as [MS-CFB] asks.
    const std::uint32_t count = static_cast<std::uint32_t>(m_streams.size());
    std::vector<std::uint32_t> order(count);
    for (std::uint32_t i = 0; i < count; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return NameLess(m_streams[a].name, m_streams[b].name);
    });

    std::vector<std::uint32_t> left(count, kNoStream), right(count, kNoStream);
    std::vector<int> depth(count, 0);
    int maxDepth = 0;
    std::function<std::uint32_t(int, int, int)> build = [&](int lo, int hi, int d) -> std::uint32_t {
        if (lo > hi)
            return kNoStream;
        const int mid = lo + (hi - lo) / 2;
        const std::uint32_t node = order[static_cast<std::size_t>(mid)];
        depth[node] = d;
        maxDepth = std::max(maxDepth, d);
        const std::uint32_t l = build(lo, mid - 1, d + 1);
        const std::uint32_t r = build(mid + 1, hi, d + 1);
        left[node] = l == kNoStream ? kNoStream : l + 1;
        right[node] = r == kNoStream ? kNoStream : r + 1;
        return node;
    };
    const std::uint32_t top = build(0, static_cast<int>(count) - 1, 0);
    const bool lastLevelFull = count + 1 == (1u << (maxDepth + 1));

    DocByteWriter out(static_cast<qsizetype>(count + 1) * 128 + kSectorSize);
    DirectoryEntry(out, QStringLiteral("Root Entry"), 5, true, kNoStream, kNoStream,
                   top == kNoStream ? kNoStream : top + 1, m_rootClassId,
                   miniStreamSize == 0 ? kEndOfChain : miniStreamStart, miniStreamSize);
    for (std::uint32_t i = 0; i < count; ++i) {
        const Stream& s = m_streams[i];
        const bool black = lastLevelFull || depth[i] < maxDepth || maxDepth == 0;
        DirectoryEntry(out, s.name, 2, black, left[i], right[i], kNoStream, QByteArray(), s.start,
                       static_cast<std::uint64_t>(s.size));
    }
    while (out.Size() % kSectorSize != 0)
        DirectoryEntry(out, QString(), 0, false, kNoStream, kNoStream, kNoStream, QByteArray(), 0, 0);
    return out.Take();
}

QByteArray CfbWriter::MiniFatBytes() const {
    const std::uint32_t miniSectors = static_cast<std::uint32_t>(m_miniStream.size() / kMiniSectorSize);
    std::vector<std::uint32_t> next(miniSectors, kFreeSect);
    for (const Stream& s : m_streams) {
        if (!s.mini || s.size == 0)
            continue;
        const std::uint32_t n = static_cast<std::uint32_t>((s.size + kMiniSectorSize - 1) / kMiniSectorSize);
        for (std::uint32_t k = 0; k < n; ++k)
            next[s.start + k] = k + 1 < n ? s.start + k + 1 : kEndOfChain;
    }
    DocByteWriter out;
    for (std::uint32_t v : next)
        out.U32(v);
    while (out.Size() % kSectorSize != 0)
        out.U32(kFreeSect);
    return out.Take();
}

QByteArray CfbWriter::FatSector(std::uint32_t index, std::uint32_t fatStart, std::uint32_t fatCount,
                                std::uint32_t difatCount) const {
    // m_runs cover sectors 0 .. fatStart - 1 in order, without gaps. A large report has hundreds of
    // thousands of entries, so they are stored straight into the sector.
    QByteArray out(kSectorSize, Qt::Uninitialized);
    char* entry = out.data();
    const std::uint32_t first = index * kEntriesPerSector;
    auto run = std::upper_bound(m_runs.begin(), m_runs.end(), first,
                                [](std::uint32_t s, const Run& r) { return s < r.start; });
    if (run != m_runs.begin())
        --run;
    for (std::uint32_t sector = first; sector < first + kEntriesPerSector; ++sector, entry += 4) {
        std::uint32_t next = kFreeSect;
        if (sector < fatStart) {
            while (sector >= run->start + run->count)
                ++run;
            next = sector + 1 < run->start + run->count ? sector + 1 : kEndOfChain;
        } else if (sector < fatStart + fatCount) {
            next = kFatSect;
        } else if (sector < fatStart + fatCount + difatCount) {
            next = kDifSect;
        }
        qToLittleEndian(next, entry);
    }
    return out;
}

QByteArray CfbWriter::Header(std::uint32_t fatStart, std::uint32_t fatCount, std::uint32_t difatCount,
                             std::uint32_t directoryStart, std::uint32_t miniFatStart,
                             std::uint32_t miniFatCount) const {
    DocByteWriter out(kSectorSize);
    out.Bytes(QByteArray::fromHex("D0CF11E0A1B11AE1"));
    out.Zeros(16);   // class id
    out.U16(0x003E); // minor version
    out.U16(0x0003); // major version 3
    out.U16(0xFFFE); // little-endian
    out.U16(9);      // 512-byte sectors
    out.U16(6);      // 64-byte mini sectors
    out.Zeros(6);
    out.U32(0); // directory sector count, always 0 in version 3
    out.U32(fatCount);
    out.U32(directoryStart);
    out.U32(0); // transaction signature
    out.U32(static_cast<std::uint32_t>(kMiniStreamCutoff));
    out.U32(miniFatCount == 0 ? kEndOfChain : miniFatStart);
    out.U32(miniFatCount);
    out.U32(difatCount == 0 ? kEndOfChain : fatStart + fatCount);
    out.U32(difatCount);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        out.U32(i < fatCount ? fatStart + i : kFreeSect);
    return out.Take();
}

bool CfbWriter::Finish() {
    if (!m_error.isEmpty())
        return false;
    if (m_open || m_finished)
        return Fail(QStringLiteral("compound file: finished twice or with an open stream"));
    m_finished = true;

    Run miniStreamRun;
    if (!m_miniStream.isEmpty() && !WriteSectorRun(m_miniStream, &miniStreamRun))
        return false;
    Run directoryRun;
    if (!WriteSectorRun(DirectoryBytes(miniStreamRun.start, static_cast<std::uint32_t>(m_miniStream.size())),
                        &directoryRun))
        return false;
    Run miniFatRun;
    if (!m_miniStream.isEmpty() && !WriteSectorRun(MiniFatBytes(), &miniFatRun))
        return false;

    // The FAT describes every sector, its own and the DIFAT's included.
    const std::uint32_t used = m_nextSector;
    std::uint32_t fatCount = 1;
    std::uint32_t difatCount = 0;
    for (;;) {
        difatCount = fatCount > kHeaderDifatEntries
                         ? (fatCount - kHeaderDifatEntries + kEntriesPerSector - 2) / (kEntriesPerSector - 1)
                         : 0;
        const std::uint64_t total = std::uint64_t(used) + fatCount + difatCount;
        if (total <= std::uint64_t(fatCount) * kEntriesPerSector)
            break;
        ++fatCount;
    }
    const std::uint32_t fatStart = used;
    for (std::uint32_t i = 0; i < fatCount; ++i) {
        const QByteArray sector = FatSector(i, fatStart, fatCount, difatCount);
        if (!WriteRaw(sector.constData(), sector.size()))
            return false;
    }
    const std::uint32_t difatStart = fatStart + fatCount;
    for (std::uint32_t d = 0; d < difatCount; ++d) {
        DocByteWriter out(kSectorSize);
        for (std::uint32_t i = 0; i < kEntriesPerSector - 1; ++i) {
            const std::uint32_t fatIndex = kHeaderDifatEntries + d * (kEntriesPerSector - 1) + i;
            out.U32(fatIndex < fatCount ? fatStart + fatIndex : kFreeSect);
        }
        out.U32(d + 1 < difatCount ? difatStart + d + 1 : kEndOfChain);
        if (!WriteRaw(out.Data().constData(), out.Size()))
            return false;
    }
    m_nextSector = difatStart + difatCount;

    if (!m_device->seek(0))
        return Fail(m_device->errorString());
    const QByteArray header =
        Header(fatStart, fatCount, difatCount, directoryRun.start, miniFatRun.start, miniFatRun.count);
    return WriteRaw(header.constData(), header.size());
}

} // namespace Word
