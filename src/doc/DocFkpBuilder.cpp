#include "doc/DocFkpBuilder.h"

#include "doc/DocByteWriter.h"

#include <algorithm>

namespace Word {

namespace {

constexpr int kPageSize = 512;
constexpr int kCrunOffset = 511;
constexpr int kMaxCharacterRuns = 0x65;
constexpr int kMaxParagraphRuns = 0x1D;
constexpr int kBxSize = 13; // offset byte and PHE of a paragraph run

} // namespace

DocFkpBuilder::DocFkpBuilder(Kind kind, std::uint32_t fcFirst)
    : m_kind(kind), m_pageStart(fcFirst), m_lastEnd(fcFirst) {}

int DocFkpBuilder::MaxParagraphProperties() {
    // One run: two fcs, one BX, and PapxInFkp with its cb byte and cb' byte.
    return kCrunOffset - 8 - kBxSize - 2 - 1;
}

int DocFkpBuilder::StoredSize(const QByteArray& properties) const {
    const int size = static_cast<int>(properties.size());
    if (m_kind == Kind::Character)
        return (1 + size + 1) & ~1;
    // PapxInFkp: an odd length is given by cb alone, an even one by cb = 0 and cb'.
    return size % 2 ? size + 1 : size + 2;
}

bool DocFkpBuilder::Fits(int runs, int dataBytes) const {
    const int maxRuns = m_kind == Kind::Character ? kMaxCharacterRuns : kMaxParagraphRuns;
    const int perRun = m_kind == Kind::Character ? 1 : kBxSize;
    // Data grows down from byte 511 in word-aligned steps, which can cost one byte at the top.
    return runs <= maxRuns && 4 * (runs + 1) + perRun * runs + dataBytes + 1 <= kCrunOffset;
}

bool DocFkpBuilder::Add(std::uint32_t fcEnd, const QByteArray& properties) {
    const bool empty = properties.isEmpty() && m_kind == Kind::Character;
    int item = -1;
    int extra = 0;
    if (!empty) {
        const auto found = std::find(m_items.begin(), m_items.end(), properties);
        if (found != m_items.end()) {
            item = static_cast<int>(found - m_items.begin());
        } else {
            extra = StoredSize(properties);
        }
    }
    const int runs = static_cast<int>(m_runs.size()) + 1;
    if (!Fits(runs, m_dataBytes + extra)) {
        if (m_runs.empty())
            return false; // too large even for a page of its own
        ClosePage();
        return Add(fcEnd, properties);
    }
    if (!empty && item < 0) {
        m_items.push_back(properties);
        item = static_cast<int>(m_items.size()) - 1;
        m_dataBytes += extra;
    }
    m_runs.push_back(Run{fcEnd, item});
    m_lastEnd = fcEnd;
    return true;
}

void DocFkpBuilder::ClosePage() {
    if (m_runs.empty())
        return;
    QByteArray page(kPageSize, '\0');
    auto put32 = [&page](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            page[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const int crun = static_cast<int>(m_runs.size());
    put32(0, m_pageStart);
    for (int r = 0; r < crun; ++r)
        put32(4 * (r + 1), m_runs[r].fcEnd);

    // Properties from the top of the page down, each on an even offset.
    std::vector<int> offsets(m_items.size());
    int top = kCrunOffset;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const QByteArray& item = m_items[i];
        QByteArray stored;
        if (m_kind == Kind::Character) {
            stored.append(static_cast<char>(item.size()));
            stored.append(item);
        } else if (item.size() % 2) {
            stored.append(static_cast<char>((item.size() + 1) / 2));
            stored.append(item);
        } else {
            stored.append('\0');
            stored.append(static_cast<char>(item.size() / 2));
            stored.append(item);
        }
        top = (top - static_cast<int>(stored.size())) & ~1;
        page.replace(top, stored.size(), stored);
        offsets[i] = top;
    }
    const int perRun = m_kind == Kind::Character ? 1 : kBxSize;
    for (int r = 0; r < crun; ++r) {
        const int item = m_runs[r].item;
        page[4 * (crun + 1) + perRun * r] = static_cast<char>(item < 0 ? 0 : offsets[item] / 2);
    }
    page[kCrunOffset] = static_cast<char>(crun);

    m_pages.push_back(page);
    m_bounds.push_back(m_pageStart);
    m_pageStart = m_runs.back().fcEnd;
    m_runs.clear();
    m_items.clear();
    m_dataBytes = 0;
}

std::vector<QByteArray> DocFkpBuilder::TakePages() {
    ClosePage();
    return std::move(m_pages);
}

QByteArray DocFkpBuilder::BinTable(std::uint32_t firstPage) const {
    DocByteWriter out;
    for (std::uint32_t fc : m_bounds)
        out.U32(fc);
    out.U32(m_lastEnd);
    for (std::size_t i = 0; i < m_bounds.size(); ++i)
        out.U32(firstPage + static_cast<std::uint32_t>(i));
    return out.Take();
}

} // namespace Word
