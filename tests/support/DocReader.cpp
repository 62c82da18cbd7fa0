#include "support/DocReader.h"

#include <QFile>

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

std::uint32_t U8(const QByteArray& b, qsizetype at) {
    return at >= 0 && at < b.size() ? static_cast<std::uint8_t>(b[at]) : 0;
}
std::uint32_t U16(const QByteArray& b, qsizetype at) {
    return U8(b, at) | (U8(b, at + 1) << 8);
}
std::uint32_t U32(const QByteArray& b, qsizetype at) {
    return U16(b, at) | (U16(b, at + 2) << 16);
}
std::int32_t I16(const QByteArray& b, qsizetype at) {
    return static_cast<std::int16_t>(U16(b, at));
}

bool NameLess(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return a.size() < b.size();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t ca = a[i].toUpper().unicode(), cb = b[i].toUpper().unicode();
        if (ca != cb)
            return ca < cb;
    }
    return false;
}

// Operand size of a sprm from its spra bits; -1 for the variable ones.
int FixedOperandSize(std::uint16_t opcode) {
    switch (opcode >> 13) {
    case 0:
    case 1:
        return 1;
    case 2:
    case 4:
    case 5:
        return 2;
    case 3:
        return 4;
    case 7:
        return 3;
    default:
        return -1;
    }
}

bool IsMark(char16_t c) {
    return c == 0x0D || c == 0x07 || c == 0x0C;
}

} // namespace

bool DocReader::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *this = DocReader();
        Problem(QStringLiteral("cannot open %1").arg(path));
        return false;
    }
    return LoadBytes(file.readAll());
}

bool DocReader::LoadBytes(const QByteArray& file) {
    *this = DocReader();
    m_file = file;
    if (!ReadContainer())
        return false;
    if (HasStream(QStringLiteral("WordDocument")))
        ReadWord();
    return m_problems.isEmpty();
}

QStringList DocReader::StreamNames() const {
    QStringList names;
    for (const DirEntry& e : m_directory) {
        if (e.type == 2)
            names << e.name;
    }
    return names;
}

bool DocReader::HasStream(const QString& name) const {
    return StreamNames().contains(name);
}

QByteArray DocReader::Stream(const QString& name) const {
    for (std::size_t i = 0; i < m_directory.size(); ++i) {
        if (m_directory[i].type == 2 && m_directory[i].name == name)
            return m_streams[i];
    }
    return {};
}

QByteArray DocReader::RootClassId() const {
    return m_directory.empty() ? QByteArray() : m_directory[0].clsid;
}

std::vector<std::uint32_t> DocReader::Chain(std::uint32_t start, const std::vector<std::uint32_t>& fat,
                                            std::vector<int>* owner, int id, const QString& what) {
    std::vector<std::uint32_t> chain;
    std::uint32_t s = start;
    while (s != kEndOfChain) {
        if (s >= fat.size()) {
            Problem(QStringLiteral("%1: chain leaves the FAT at sector %2").arg(what).arg(s));
            break;
        }
        if ((*owner)[s] != -1) {
            Problem(
                QStringLiteral("%1: sector %2 already belongs to another chain or loops").arg(what).arg(s));
            break;
        }
        (*owner)[s] = id;
        chain.push_back(s);
        s = fat[s];
    }
    return chain;
}

bool DocReader::ReadContainer() {
    const QByteArray& f = m_file;
    if (f.size() < 512 || f.left(8) != QByteArray::fromHex("D0CF11E0A1B11AE1")) {
        Problem(QStringLiteral("not a compound file"));
        return false;
    }
    if (U16(f, 26) != 3 || U16(f, 24) != 0x3E)
        Problem(QStringLiteral("not version 3.62: %1.%2").arg(U16(f, 26)).arg(U16(f, 24)));
    if (U16(f, 28) != 0xFFFE || U16(f, 30) != 9 || U16(f, 32) != 6)
        Problem(QStringLiteral("byte order or sector shifts wrong"));
    if (U32(f, 40) != 0)
        Problem(QStringLiteral("directory sector count must be 0 in version 3"));
    if (U32(f, 56) != 4096)
        Problem(QStringLiteral("mini stream cutoff is not 4096"));
    if ((f.size() - 512) % 512 != 0)
        Problem(QStringLiteral("file size is not a whole number of sectors"));
    const std::uint32_t sectorCount = static_cast<std::uint32_t>((f.size() - 512) / 512);
    auto sector = [&](std::uint32_t s) { return f.mid(512 + qsizetype(s) * 512, 512); };

    m_fatSectors = U32(f, 44);
    m_difatSectors = U32(f, 72);
    std::vector<std::uint32_t> fatLocations;
    for (int i = 0; i < 109; ++i) {
        const std::uint32_t v = U32(f, 76 + 4 * i);
        if (fatLocations.size() < m_fatSectors)
            fatLocations.push_back(v);
        else if (v != kFreeSect)
            Problem(QStringLiteral("unused header DIFAT entry %1 is not free").arg(i));
    }
    std::vector<std::uint32_t> difatLocations;
    std::uint32_t d = U32(f, 68);
    for (std::uint32_t k = 0; k < m_difatSectors; ++k) {
        if (d >= sectorCount) {
            Problem(QStringLiteral("DIFAT chain points outside the file"));
            return false;
        }
        difatLocations.push_back(d);
        const QByteArray sec = sector(d);
        for (int i = 0; i < 127; ++i) {
            const std::uint32_t v = U32(sec, 4 * i);
            if (fatLocations.size() < m_fatSectors)
                fatLocations.push_back(v);
            else if (v != kFreeSect)
                Problem(QStringLiteral("unused DIFAT entry is not free"));
        }
        d = U32(sec, 508);
    }
    if (d != kEndOfChain && !(m_difatSectors == 0 && d == kEndOfChain))
        Problem(QStringLiteral("DIFAT chain does not end with ENDOFCHAIN"));
    if (fatLocations.size() != m_fatSectors) {
        Problem(QStringLiteral("DIFAT lists %1 FAT sectors, header says %2")
                    .arg(fatLocations.size())
                    .arg(m_fatSectors));
        return false;
    }

    std::vector<std::uint32_t> fat;
    for (std::uint32_t loc : fatLocations) {
        if (loc >= sectorCount) {
            Problem(QStringLiteral("FAT sector outside the file"));
            return false;
        }
        const QByteArray sec = sector(loc);
        for (int i = 0; i < 128; ++i)
            fat.push_back(U32(sec, 4 * i));
    }
    if (fat.size() < sectorCount)
        Problem(QStringLiteral("FAT does not cover every sector"));
    for (std::uint32_t loc : fatLocations) {
        if (loc < fat.size() && fat[loc] != kFatSect)
            Problem(QStringLiteral("FAT sector %1 not marked FATSECT").arg(loc));
    }
    for (std::uint32_t loc : difatLocations) {
        if (loc < fat.size() && fat[loc] != kDifSect)
            Problem(QStringLiteral("DIFAT sector %1 not marked DIFSECT").arg(loc));
    }
    for (std::size_t s = sectorCount; s < fat.size(); ++s) {
        if (fat[s] != kFreeSect) {
            Problem(QStringLiteral("FAT entry %1 beyond the end of the file is used").arg(s));
            break;
        }
    }

    std::vector<int> owner(fat.size(), -1);
    for (std::uint32_t loc : fatLocations)
        if (loc < owner.size())
            owner[loc] = -2;
    for (std::uint32_t loc : difatLocations)
        if (loc < owner.size())
            owner[loc] = -2;
    auto readChain = [&](const std::vector<std::uint32_t>& chain) {
        QByteArray out;
        out.reserve(qsizetype(chain.size()) * 512);
        for (std::uint32_t s : chain)
            out += sector(s);
        return out;
    };

    const QByteArray dir = readChain(Chain(U32(f, 48), fat, &owner, 1000000, QStringLiteral("directory")));
    for (qsizetype at = 0; at + 128 <= dir.size(); at += 128) {
        DirEntry e;
        const int nameBytes = static_cast<int>(U16(dir, at + 64));
        e.type = static_cast<int>(U8(dir, at + 66));
        if (e.type == 0) {
            m_directory.push_back(e);
            continue;
        }
        if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 != 0 || U16(dir, at + nameBytes - 2) != 0)
            Problem(QStringLiteral("directory entry %1: bad name length").arg(at / 128));
        for (int i = 0; i + 2 < nameBytes; i += 2)
            e.name += QChar(static_cast<char16_t>(U16(dir, at + i)));
        e.black = U8(dir, at + 67) == 1;
        e.left = U32(dir, at + 68);
        e.right = U32(dir, at + 72);
        e.child = U32(dir, at + 76);
        e.clsid = dir.mid(at + 80, 16);
        e.start = U32(dir, at + 116);
        e.size = U32(dir, at + 120) | (std::uint64_t(U32(dir, at + 124)) << 32);
        m_directory.push_back(e);
    }
    if (m_directory.empty() || m_directory[0].type != 5) {
        Problem(QStringLiteral("first directory entry is not the root"));
        return false;
    }
    m_streams.assign(m_directory.size(), QByteArray());

    // The tree of the root's children: search order, red-black rules, every entry reached once.
    std::vector<int> seen(m_directory.size(), 0);
    seen[0] = 1;
    int blackHeight = -1;
    if (m_directory[0].child != kNoStream)
        CheckTree(m_directory[0].child, 0, &seen, &blackHeight, 0, nullptr, nullptr);
    if (m_directory[0].child != kNoStream && m_directory[0].child < m_directory.size() &&
        !m_directory[m_directory[0].child].black)
        Problem(QStringLiteral("root of the directory tree is red"));
    for (std::size_t i = 0; i < m_directory.size(); ++i) {
        if (m_directory[i].type != 0 && seen[i] != 1)
            Problem(
                QStringLiteral("directory entry %1 reached %2 times").arg(m_directory[i].name).arg(seen[i]));
    }

    // Mini stream and mini FAT.
    const DirEntry& root = m_directory[0];
    const QByteArray miniStream =
        root.size == 0 ? QByteArray()
                       : readChain(Chain(root.start, fat, &owner, 1000001, QStringLiteral("mini stream")))
                             .left(static_cast<qsizetype>(root.size));
    std::vector<std::uint32_t> miniFat;
    if (U32(f, 64) != 0) {
        const QByteArray mf = readChain(Chain(U32(f, 60), fat, &owner, 1000002, QStringLiteral("mini FAT")));
        if (mf.size() != qsizetype(U32(f, 64)) * 512)
            Problem(QStringLiteral("mini FAT sector count mismatch"));
        for (qsizetype at = 0; at + 4 <= mf.size(); at += 4)
            miniFat.push_back(U32(mf, at));
    }
    std::vector<int> miniOwner(miniFat.size(), -1);

    for (std::size_t i = 1; i < m_directory.size(); ++i) {
        const DirEntry& e = m_directory[i];
        if (e.type != 2)
            continue;
        if (e.size > 0x80000000ull)
            Problem(QStringLiteral("%1: size too large for version 3").arg(e.name));
        if (e.size < 4096) {
            QByteArray data;
            std::uint32_t s = e.size == 0 ? kEndOfChain : e.start;
            while (s != kEndOfChain && e.size > 0) {
                if (s >= miniFat.size() || miniOwner[s] != -1) {
                    Problem(QStringLiteral("%1: bad mini chain").arg(e.name));
                    break;
                }
                miniOwner[s] = static_cast<int>(i);
                data += miniStream.mid(qsizetype(s) * 64, 64);
                s = miniFat[s];
            }
            if (data.size() != qsizetype((e.size + 63) / 64 * 64))
                Problem(QStringLiteral("%1: mini chain length does not match the size").arg(e.name));
            m_streams[i] = data.left(static_cast<qsizetype>(e.size));
        } else {
            const auto chain = Chain(e.start, fat, &owner, static_cast<int>(i), e.name);
            if (chain.size() != (e.size + 511) / 512)
                Problem(QStringLiteral("%1: chain of %2 sectors for %3 bytes")
                            .arg(e.name)
                            .arg(chain.size())
                            .arg(e.size));
            m_streams[i] = readChain(chain).left(static_cast<qsizetype>(e.size));
        }
    }
    for (std::uint32_t s = 0; s < sectorCount && s < owner.size(); ++s) {
        if (owner[s] == -1 && fat[s] != kFreeSect) {
            Problem(QStringLiteral("sector %1 is allocated but belongs to no chain").arg(s));
            break;
        }
    }
    return true;
}

void DocReader::CheckTree(std::uint32_t node, int depth, std::vector<int>* seen, int* blackHeight, int blacks,
                          const QString* lowerBound, const QString* upperBound) {
    if (node == kNoStream) {
        if (*blackHeight < 0)
            *blackHeight = blacks;
        else if (*blackHeight != blacks)
            Problem(QStringLiteral("directory tree: unequal black heights"));
        return;
    }
    if (node >= m_directory.size() || depth > 64) {
        Problem(QStringLiteral("directory tree: bad sibling index"));
        return;
    }
    ++(*seen)[node];
    if ((*seen)[node] > 1)
        return;
    const DirEntry& e = m_directory[node];
    if ((lowerBound && !NameLess(*lowerBound, e.name)) || (upperBound && !NameLess(e.name, *upperBound)))
        Problem(QStringLiteral("directory tree: %1 out of order").arg(e.name));
    if (!e.black) {
        for (std::uint32_t c : {e.left, e.right}) {
            if (c != kNoStream && c < m_directory.size() && !m_directory[c].black)
                Problem(QStringLiteral("directory tree: red %1 has a red child").arg(e.name));
        }
    }
    const int b = blacks + (e.black ? 1 : 0);
    CheckTree(e.left, depth + 1, seen, blackHeight, b, lowerBound, &e.name);
    CheckTree(e.right, depth + 1, seen, blackHeight, b, &e.name, upperBound);
    if (e.type == 1 && e.child != kNoStream) {
        int childHeight = -1;
        CheckTree(e.child, 0, seen, &childHeight, 0, nullptr, nullptr);
    }
}

bool DocReader::ParseSprms(const QByteArray& grpprl, Sprms* out) {
    qsizetype at = 0;
    while (at < grpprl.size()) {
        if (at + 2 > grpprl.size())
            return false;
        const auto opcode = static_cast<std::uint16_t>(U16(grpprl, at));
        at += 2;
        int size = FixedOperandSize(opcode);
        qsizetype operandStart = at;
        if (size < 0) {
            if (opcode == 0xD608 || opcode == 0xD606) { // sprmTDefTable: 2-byte count, one too large
                size = static_cast<int>(U16(grpprl, at)) + 1;
            } else {
                size = static_cast<int>(U8(grpprl, at)) + 1;
            }
        }
        if (at + size > grpprl.size())
            return false;
        out->emplace_back(opcode, grpprl.mid(operandStart, size));
        at += size;
    }
    return true;
}

std::optional<QByteArray> DocReader::Find(const Sprms& sprms, std::uint16_t opcode) {
    std::optional<QByteArray> found;
    for (const Sprm& s : sprms) {
        if (s.first == opcode)
            found = s.second;
    }
    return found;
}

int DocReader::OperandInt(const QByteArray& operand) {
    switch (operand.size()) {
    case 1:
        return static_cast<int>(U8(operand, 0));
    case 2:
        return I16(operand, 0);
    case 4:
        return static_cast<std::int32_t>(U32(operand, 0));
    default:
        return 0;
    }
}

void DocReader::ReadWord() {
    m_isWord = true;
    const QByteArray word = Stream(QStringLiteral("WordDocument"));
    if (word.size() < 1024 || U16(word, 0) != 0xA5EC) {
        Problem(QStringLiteral("FIB: wIdent is not 0xA5EC"));
        return;
    }
    m_nFib = static_cast<int>(U16(word, 2));
    const std::uint32_t flags = U16(word, 10);
    if (flags & 0x0100)
        Problem(QStringLiteral("FIB: encrypted"));
    if (!(flags & 0x1000))
        Problem(QStringLiteral("FIB: fExtChar must be set"));
    m_table1 = (flags & 0x0200) != 0;
    const QByteArray table = Stream(m_table1 ? QStringLiteral("1Table") : QStringLiteral("0Table"));
    if (table.isEmpty())
        Problem(QStringLiteral("table stream missing"));

    qsizetype at = 32;
    const int csw = static_cast<int>(U16(word, at));
    at += 2 + 2 * csw;
    const int cslw = static_cast<int>(U16(word, at));
    const qsizetype lw = at + 2;
    at = lw + 4 * cslw;
    const int cbRgFcLcb = static_cast<int>(U16(word, at));
    const qsizetype fcLcb = at + 2;
    at = fcLcb + 8 * cbRgFcLcb;
    const int cswNew = static_cast<int>(U16(word, at));
    if (csw != 14 || cslw != 22)
        Problem(QStringLiteral("FIB: csw %1 / cslw %2").arg(csw).arg(cslw));
    if ((m_nFib == 0xC1 && (cbRgFcLcb != 0x5D || cswNew != 0)) || cbRgFcLcb < 0x5D)
        Problem(QStringLiteral("FIB: cbRgFcLcb %1 / cswNew %2 do not fit nFib %3")
                    .arg(cbRgFcLcb)
                    .arg(cswNew)
                    .arg(m_nFib, 0, 16));
    const std::uint32_t cbMac = U32(word, lw);
    if (cbMac > static_cast<std::uint32_t>(word.size()))
        Problem(QStringLiteral("FIB: cbMac beyond the stream"));
    m_ccpText = static_cast<int>(U32(word, lw + 12));
    for (int i = 4; i <= 10; ++i) {
        if (i != 6 && U32(word, lw + 4 * i) != 0)
            Problem(QStringLiteral("FIB: subdocument count %1 is not zero").arg(i));
    }
    auto fc = [&](int index) { return U32(word, fcLcb + 8 * index); };
    auto lcb = [&](int index) { return U32(word, fcLcb + 8 * index + 4); };
    for (int i = 0; i < cbRgFcLcb; ++i) {
        if (i == 87) // the FILETIME pair
            continue;
        if (lcb(i) != 0 && qsizetype(fc(i)) + lcb(i) > table.size())
            Problem(QStringLiteral("FIB: fc/lcb pair %1 beyond the table stream").arg(i));
    }

    ReadPieces(table, fc(33), lcb(33), word);
    if (m_text.isEmpty() || m_text.back() != QChar(0x0D))
        Problem(QStringLiteral("text does not end with a paragraph mark"));
    ReadFkps(table, fc(12), lcb(12), word, false);
    ReadFkps(table, fc(13), lcb(13), word, true);
    ReadSection(table, fc(6), lcb(6), word);
    ReadFonts(table, fc(15), lcb(15));
    ReadStyles(table, fc(1), lcb(1));
    m_dopSize = static_cast<int>(lcb(31));
    if (m_dopSize == 0)
        Problem(QStringLiteral("no DOP"));
    ReadPictures();
    CheckTables();
}

void DocReader::ReadPieces(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb,
                           const QByteArray& word) {
    const QByteArray clx = table.mid(fc, lcb);
    qsizetype at = 0;
    while (at < clx.size() && U8(clx, at) == 0x01)
        at += 3 + U16(clx, at + 1);
    if (at >= clx.size() || U8(clx, at) != 0x02) {
        Problem(QStringLiteral("Clx: no Pcdt"));
        return;
    }
    const std::uint32_t plcSize = U32(clx, at + 1);
    const QByteArray plc = clx.mid(at + 5, plcSize);
    if (plc.size() != qsizetype(plcSize) || (plcSize - 4) % 12 != 0 ||
        at + 5 + plcSize != std::uint32_t(clx.size())) {
        Problem(QStringLiteral("Clx: PlcPcd size"));
        return;
    }
    const int n = static_cast<int>((plcSize - 4) / 12);
    m_pieceCount = n;
    if (U32(plc, 0) != 0)
        Problem(QStringLiteral("PlcPcd does not start at cp 0"));
    if (static_cast<int>(U32(plc, 4 * n)) != m_ccpText)
        Problem(QStringLiteral("PlcPcd ends at %1, ccpText is %2").arg(U32(plc, 4 * n)).arg(m_ccpText));
    for (int k = 0; k < n; ++k) {
        const int cp0 = static_cast<int>(U32(plc, 4 * k)), cp1 = static_cast<int>(U32(plc, 4 * (k + 1)));
        const std::uint32_t raw = U32(plc, 4 * (n + 1) + 8 * k + 2);
        const bool compressed = raw & 0x40000000;
        std::uint32_t pfc = raw & 0x3FFFFFFF;
        if (cp1 <= cp0)
            Problem(QStringLiteral("PlcPcd: empty or reversed piece"));
        if (compressed)
            pfc /= 2;
        const qsizetype bytes = qsizetype(cp1 - cp0) * (compressed ? 1 : 2);
        if (qsizetype(pfc) + bytes > word.size()) {
            Problem(QStringLiteral("piece text beyond the WordDocument stream"));
            return;
        }
        if (k == 0)
            m_textFc = pfc;
        m_pieceFc.emplace_back(cp0, pfc | (compressed ? 0x80000000u : 0u));
        for (int i = 0; i < cp1 - cp0; ++i) {
            m_text += compressed ? QChar(static_cast<char16_t>(U8(word, pfc + i)))
                                 : QChar(static_cast<char16_t>(U16(word, pfc + 2 * i)));
        }
    }
}

void DocReader::ReadFkps(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb, const QByteArray& word,
                         bool paragraphs) {
    const QString what = paragraphs ? QStringLiteral("PAPX") : QStringLiteral("CHPX");
    if (lcb < 12 || (lcb - 4) % 8 != 0) {
        Problem(what + QStringLiteral(": bad PlcBte size"));
        return;
    }
    if (m_pieceCount != 1 || (m_pieceFc[0].second & 0x80000000u)) {
        Problem(what + QStringLiteral(": only single uncompressed pieces are checked"));
        return;
    }
    const QByteArray plc = table.mid(fc, lcb);
    const int n = static_cast<int>((lcb - 4) / 8);
    const std::uint32_t textStart = m_textFc, textEnd = m_textFc + 2 * static_cast<std::uint32_t>(m_ccpText);
    if (U32(plc, 0) != textStart || U32(plc, 4 * n) != textEnd)
        Problem(what + QStringLiteral(": bin table covers %1-%2, text is %3-%4")
                           .arg(U32(plc, 0))
                           .arg(U32(plc, 4 * n))
                           .arg(textStart)
                           .arg(textEnd));
    std::vector<std::pair<std::pair<int, int>, std::pair<std::uint16_t, Sprms>>> runs;
    std::uint32_t expected = textStart;
    for (int k = 0; k < n; ++k) {
        const std::uint32_t pn = U32(plc, 4 * (n + 1) + 4 * k);
        const qsizetype page = qsizetype(pn) * 512;
        if (page + 512 > word.size() || (page < qsizetype(textEnd) && page + 512 > qsizetype(textStart))) {
            Problem(what + QStringLiteral(": page %1 outside the stream or over the text").arg(pn));
            return;
        }
        const QByteArray fkp = word.mid(page, 512);
        const int crun = static_cast<int>(U8(fkp, 511));
        if (crun < 1 || crun > (paragraphs ? 0x1D : 0x65)) {
            Problem(what + QStringLiteral(": crun %1").arg(crun));
            return;
        }
        if (U32(fkp, 0) != U32(plc, 4 * k) || U32(fkp, 4 * crun) != U32(plc, 4 * (k + 1)))
            Problem(what + QStringLiteral(": FKP bounds differ from the bin table"));
        const qsizetype dataStart = 4 * (crun + 1) + (paragraphs ? 13 : 1) * crun;
        for (int r = 0; r < crun; ++r) {
            const std::uint32_t a = U32(fkp, 4 * r), b = U32(fkp, 4 * (r + 1));
            if (a != expected || b <= a || (b - a) % 2 != 0) {
                Problem(what +
                        QStringLiteral(": run %1-%2 does not continue at %3").arg(a).arg(b).arg(expected));
                return;
            }
            expected = b;
            const int offset = static_cast<int>(U8(fkp, 4 * (crun + 1) + (paragraphs ? 13 * r : r))) * 2;
            QByteArray grpprl;
            std::uint16_t istd = 0;
            if (paragraphs) {
                if (offset < dataStart || offset >= 511) {
                    Problem(what + QStringLiteral(": PAPX offset %1").arg(offset));
                    return;
                }
                int cb = static_cast<int>(U8(fkp, offset));
                qsizetype from = offset + 1;
                int size = 2 * cb - 1;
                if (cb == 0) {
                    size = 2 * static_cast<int>(U8(fkp, offset + 1));
                    from = offset + 2;
                }
                if (size < 2 || from + size > 511) {
                    Problem(what + QStringLiteral(": PAPX size"));
                    return;
                }
                istd = static_cast<std::uint16_t>(U16(fkp, from));
                grpprl = fkp.mid(from + 2, size - 2);
            } else if (offset != 0) {
                if (offset < dataStart || offset + 1 + qsizetype(U8(fkp, offset)) > 511) {
                    Problem(what + QStringLiteral(": CHPX offset %1").arg(offset));
                    return;
                }
                grpprl = fkp.mid(offset + 1, U8(fkp, offset));
            }
            Sprms sprms;
            if (!ParseSprms(grpprl, &sprms))
                Problem(what + QStringLiteral(": grpprl does not parse at fc %1").arg(a));
            const int cpA = static_cast<int>((a - textStart) / 2),
                      cpB = static_cast<int>((b - textStart) / 2);
            runs.push_back({{cpA, cpB}, {istd, sprms}});
        }
    }
    if (expected != textEnd)
        Problem(what + QStringLiteral(": runs end at %1, text at %2").arg(expected).arg(textEnd));
    if (paragraphs) {
        BuildParagraphs(runs);
    } else {
        for (auto& r : runs)
            m_charRuns.push_back(CharRun{r.first.first, r.first.second, r.second.second});
    }
}

void DocReader::BuildParagraphs(
    const std::vector<std::pair<std::pair<int, int>, std::pair<std::uint16_t, Sprms>>>& runs) {
    for (const auto& r : runs) {
        const int a = r.first.first, b = r.first.second;
        if (b > m_text.size() || !IsMark(m_text[b - 1].unicode())) {
            Problem(QStringLiteral("PAPX run %1-%2 does not end with a paragraph mark").arg(a).arg(b));
            continue;
        }
        for (int cp = a; cp < b - 1; ++cp) {
            if (IsMark(m_text[cp].unicode()))
                Problem(QStringLiteral("PAPX run %1-%2 holds more than one paragraph").arg(a).arg(b));
        }
        Paragraph p;
        p.cpStart = a;
        p.cpEnd = b;
        p.text = m_text.mid(a, b - a - 1);
        p.mark = m_text[b - 1].unicode();
        p.istd = r.second.first;
        p.papx = r.second.second;
        p.inTable = Find(p.papx, 0x2416).value_or(QByteArray(1, '\0')) == QByteArray(1, '\1');
        p.rowEnd = Find(p.papx, 0x2417).value_or(QByteArray(1, '\0')) == QByteArray(1, '\1');
        p.justification = OperandInt(Find(p.papx, 0x2403).value_or(QByteArray(1, '\0')));
        if (p.mark == 0x07 && !p.inTable)
            Problem(QStringLiteral("cell mark at %1 outside a table").arg(b - 1));
        if (p.rowEnd && p.mark != 0x07)
            Problem(QStringLiteral("row end at %1 without a cell mark").arg(b - 1));
        m_paragraphs.push_back(p);
    }
}

std::vector<DocReader::Table> DocReader::Tables() const {
    std::vector<Table> tables;
    bool inTable = false;
    TableRow row;
    QString cell;
    bool cellHasText = false;
    for (const Paragraph& p : m_paragraphs) {
        if (!p.inTable) {
            inTable = false;
            continue;
        }
        if (!inTable) {
            tables.emplace_back();
            inTable = true;
        }
        if (p.rowEnd) {
            row.tapx = p.papx;
            if (auto def = Find(p.papx, 0xD608)) {
                const int cells = static_cast<int>(U8(*def, 2));
                for (int i = 0; i <= cells; ++i)
                    row.edges.push_back(I16(*def, 3 + 2 * i));
            }
            tables.back().rows.push_back(row);
            row = TableRow();
            continue;
        }
        cell += (cellHasText ? QStringLiteral("\r") : QString()) + p.text;
        cellHasText = true;
        if (p.mark == 0x07) {
            row.cells << cell;
            cell.clear();
            cellHasText = false;
        }
    }
    return tables;
}

void DocReader::CheckTables() {
    int cellsInRow = 0;
    bool openRow = false;
    for (const Paragraph& p : m_paragraphs) {
        if (!p.inTable) {
            if (openRow)
                Problem(QStringLiteral("table row not closed before cp %1").arg(p.cpStart));
            openRow = false;
            cellsInRow = 0;
            continue;
        }
        openRow = true;
        if (p.rowEnd) {
            if (!p.text.isEmpty())
                Problem(QStringLiteral("row end mark with text"));
            const auto def = Find(p.papx, 0xD608);
            if (!def) {
                Problem(QStringLiteral("row end at %1 without sprmTDefTable").arg(p.cpStart));
            } else {
                const int cells = static_cast<int>(U8(*def, 2));
                if (cells != cellsInRow)
                    Problem(QStringLiteral("row end at %1: sprmTDefTable has %2 cells, row has %3")
                                .arg(p.cpStart)
                                .arg(cells)
                                .arg(cellsInRow));
                if (static_cast<int>(U16(*def, 0)) + 1 != def->size() || def->size() < 3 + 2 * (cells + 1))
                    Problem(QStringLiteral("sprmTDefTable size"));
                for (int i = 0; i < cells; ++i) {
                    if (I16(*def, 3 + 2 * (i + 1)) <= I16(*def, 3 + 2 * i))
                        Problem(QStringLiteral("sprmTDefTable: cell edges not increasing"));
                }
            }
            cellsInRow = 0;
            openRow = false;
        } else if (p.mark == 0x07) {
            ++cellsInRow;
        }
    }
    if (openRow)
        Problem(QStringLiteral("table row open at the end of the text"));
}

void DocReader::ReadSection(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb,
                            const QByteArray& word) {
    if (lcb != 4 * 2 + 12) {
        Problem(QStringLiteral("PlcfSed: expected one section, lcb %1").arg(lcb));
        return;
    }
    const QByteArray plc = table.mid(fc, lcb);
    if (U32(plc, 0) != 0 || static_cast<int>(U32(plc, 4)) != m_ccpText)
        Problem(QStringLiteral("PlcfSed does not span the text"));
    const std::uint32_t fcSepx = U32(plc, 10);
    const int cb = static_cast<int>(U16(word, fcSepx));
    if (qsizetype(fcSepx) + 2 + cb > word.size() || !ParseSprms(word.mid(fcSepx + 2, cb), &m_section.sepx)) {
        Problem(QStringLiteral("SEPX unreadable"));
        return;
    }
    auto get = [&](std::uint16_t op) { return OperandInt(Find(m_section.sepx, op).value_or(QByteArray())); };
    m_section.pageWidth = get(0xB01F) & 0xFFFF;
    m_section.pageHeight = get(0xB020) & 0xFFFF;
    m_section.left = get(0xB021) & 0xFFFF;
    m_section.right = get(0xB022) & 0xFFFF;
    m_section.top = get(0x9023);
    m_section.bottom = get(0x9024);
}

void DocReader::ReadFonts(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb) {
    const QByteArray sttb = table.mid(fc, lcb);
    const int count = static_cast<int>(U16(sttb, 0));
    if (U16(sttb, 2) != 0)
        Problem(QStringLiteral("SttbfFfn: cbExtra not 0"));
    qsizetype at = 4;
    for (int i = 0; i < count; ++i) {
        const int size = static_cast<int>(U8(sttb, at));
        if (at + 1 + size > sttb.size() || size < 41) {
            Problem(QStringLiteral("SttbfFfn: font %1 truncated").arg(i));
            return;
        }
        const QByteArray ffn = sttb.mid(at + 1, size);
        Font font;
        font.charset = static_cast<int>(U8(ffn, 3));
        const int alt = static_cast<int>(U8(ffn, 4));
        QString names;
        for (qsizetype k = 39; k + 1 < ffn.size(); k += 2)
            names += QChar(static_cast<char16_t>(U16(ffn, k)));
        font.name = names.section(QChar(0), 0, 0);
        if (alt > 0)
            font.altName = names.mid(alt).section(QChar(0), 0, 0);
        if (!names.endsWith(QChar(0)))
            Problem(QStringLiteral("SttbfFfn: font name not terminated"));
        m_fonts.push_back(font);
        at += 1 + size;
    }
    if (at != sttb.size())
        Problem(QStringLiteral("SttbfFfn: %1 bytes left over").arg(sttb.size() - at));
}

void DocReader::ReadStyles(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb) {
    const QByteArray stsh = table.mid(fc, lcb);
    const int cbStshi = static_cast<int>(U16(stsh, 0));
    const int cstd = static_cast<int>(U16(stsh, 2));
    const int cbBase = static_cast<int>(U16(stsh, 4));
    if (cbStshi < 18 || (cbBase != 10 && cbBase != 18)) {
        Problem(QStringLiteral("STSH header"));
        return;
    }
    qsizetype at = 2 + cbStshi;
    for (int istd = 0; istd < cstd; ++istd) {
        const int cbStd = static_cast<int>(U16(stsh, at));
        const QByteArray std = stsh.mid(at + 2, cbStd);
        at += 2 + cbStd;
        if (at > stsh.size()) {
            Problem(QStringLiteral("STSH truncated"));
            return;
        }
        if (cbStd == 0)
            continue;
        Style s;
        s.istd = istd;
        s.sti = static_cast<int>(U16(std, 0) & 0x0FFF);
        s.stk = static_cast<int>(U16(std, 2) & 0x000F);
        const int cupx = static_cast<int>(U16(std, 4) & 0x000F);
        const int cch = static_cast<int>(U16(std, cbBase));
        for (int k = 0; k < cch; ++k)
            s.name += QChar(static_cast<char16_t>(U16(std, cbBase + 2 + 2 * k)));
        qsizetype p = cbBase + 2 + 2 * cch + 2;
        for (int u = 0; u < cupx; ++u) {
            if (p % 2)
                ++p;
            const int cbUpx = static_cast<int>(U16(std, p));
            QByteArray upx = std.mid(p + 2, cbUpx);
            p += 2 + cbUpx;
            if (s.stk == 1 && u == 0)
                upx = upx.mid(2); // istd in front of the paragraph sprms
            Sprms* target = (s.stk == 1 && u == 0) ? &s.papx : &s.chpx;
            if (!ParseSprms(upx, target))
                Problem(QStringLiteral("style %1: UPX does not parse").arg(s.name));
        }
        if (p > std.size())
            Problem(QStringLiteral("style %1 overruns its STD").arg(s.name));
        m_styles.push_back(s);
    }
    if (at != stsh.size())
        Problem(QStringLiteral("STSH: %1 bytes left over").arg(stsh.size() - at));
}

const DocReader::Sprms* DocReader::CharSprmsAt(int cp) const {
    for (const CharRun& r : m_charRuns) {
        if (cp >= r.cpStart && cp < r.cpEnd)
            return &r.chpx;
    }
    return nullptr;
}

QString DocReader::FontNameAt(int cp, std::uint16_t ftcSprm) const {
    const Sprms* s = CharSprmsAt(cp);
    if (!s)
        return {};
    const auto ftc = Find(*s, ftcSprm);
    if (!ftc)
        return {};
    const int index = OperandInt(*ftc);
    return index >= 0 && index < static_cast<int>(m_fonts.size()) ? m_fonts[index].name : QString();
}

double DocReader::PointSizeAt(int cp) const {
    const Sprms* s = CharSprmsAt(cp);
    const auto hps = s ? Find(*s, 0x4A43) : std::nullopt;
    return hps ? OperandInt(*hps) / 2.0 : 0.0;
}

bool DocReader::BoldAt(int cp) const {
    const Sprms* s = CharSprmsAt(cp);
    const auto bold = s ? Find(*s, 0x0835) : std::nullopt;
    return bold && OperandInt(*bold) == 1;
}

void DocReader::ReadPictures() {
    const QByteArray data = Stream(QStringLiteral("Data"));
    for (int cp = 0; cp < m_text.size(); ++cp) {
        if (m_text[cp] != QChar(0x01))
            continue;
        Picture pic;
        pic.cp = cp;
        const Sprms* chpx = CharSprmsAt(cp);
        const auto location = chpx ? Find(*chpx, 0x6A03) : std::nullopt;
        const auto special = chpx ? Find(*chpx, 0x0855) : std::nullopt;
        if (!location || !special || OperandInt(*special) != 1) {
            Problem(QStringLiteral("picture character at %1 without sprmCPicLocation/sprmCFSpec").arg(cp));
            continue;
        }
        pic.dataOffset = U32(*location, 0);
        const qsizetype at = pic.dataOffset;
        pic.lcb = U32(data, at);
        pic.cbHeader = static_cast<int>(U16(data, at + 4));
        pic.mm = static_cast<int>(U16(data, at + 6));
        pic.dxaGoal = I16(data, at + 28);
        pic.dyaGoal = I16(data, at + 30);
        pic.mx = static_cast<int>(U16(data, at + 32));
        pic.my = static_cast<int>(U16(data, at + 34));
        if (at + qsizetype(pic.lcb) > data.size() || pic.cbHeader != 0x44 || pic.mm != 0x64) {
            Problem(QStringLiteral("picture at %1: PICF lcb %2 cbHeader %3 mm %4")
                        .arg(cp)
                        .arg(pic.lcb)
                        .arg(pic.cbHeader)
                        .arg(pic.mm));
            m_pictures.push_back(pic);
            continue;
        }
        // OfficeArtInlineSpContainer: the shape container, then the blip store entries.
        qsizetype p = at + 0x44;
        const qsizetype end = at + pic.lcb;
        bool shapeSeen = false;
        while (p + 8 <= end) {
            const std::uint32_t verInst = U16(data, p), type = U16(data, p + 2), len = U32(data, p + 4);
            if (p + 8 + qsizetype(len) > end) {
                Problem(QStringLiteral("picture at %1: OfficeArt record 0x%2 overruns the PICF")
                            .arg(cp)
                            .arg(type, 0, 16));
                break;
            }
            if (type == 0xF004) {
                shapeSeen = true;
                qsizetype q = p + 8;
                while (q + 8 <= p + 8 + qsizetype(len)) {
                    const std::uint32_t vi = U16(data, q), t = U16(data, q + 2), l = U32(data, q + 4);
                    if (t == 0xF00A)
                        pic.shapeType = static_cast<int>(vi >> 4);
                    if (t == 0xF00B) {
                        const int props = static_cast<int>(vi >> 4);
                        for (int k = 0; k < props; ++k) {
                            if ((U16(data, q + 8 + 6 * k) & 0x3FFF) == 0x0104)
                                pic.pib = static_cast<int>(U32(data, q + 8 + 6 * k + 2));
                        }
                    }
                    q += 8 + l;
                }
                if (q != p + 8 + qsizetype(len))
                    Problem(QStringLiteral("picture at %1: shape container records do not add up").arg(cp));
            } else if (type == 0xF007) {
                pic.fbseType = static_cast<int>(U8(data, p + 8));
                const std::uint32_t blipSize = U32(data, p + 8 + 20);
                const qsizetype blip = p + 8 + 36;
                pic.blipRecordType = static_cast<int>(U16(data, blip + 2));
                const std::uint32_t blipLen = U32(data, blip + 4);
                if (blipSize != blipLen + 8 || len != 36 + blipSize)
                    Problem(QStringLiteral("picture at %1: FBSE sizes disagree").arg(cp));
                pic.blipData = data.mid(blip + 8 + 17, blipLen - 17);
                if ((verInst & 0xF) != 2)
                    Problem(QStringLiteral("picture at %1: FBSE version").arg(cp));
            }
            p += 8 + len;
        }
        if (p != end || !shapeSeen)
            Problem(QStringLiteral("picture at %1: OfficeArt data does not fill the PICF").arg(cp));
        m_pictures.push_back(pic);
    }
}
