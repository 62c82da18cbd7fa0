#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

namespace Word {

// The File Information Block at the start of the WordDocument stream ([MS-DOC] 2.5.1) in its
// Word 97 form (nFib 0x00C1): FibBase, FibRgW97, FibRgLw97 and the 93 fc/lcb pairs of
// FibRgFcLcb97 that locate every structure in the table stream.
class DocFib {
public:
    static constexpr int kSize = 900;

    // Indexes of the fc/lcb pairs the writer uses.
    enum Pair {
        StshfOrig = 0,
        Stshf = 1,
        PlcfSed = 6,
        PlcfBteChpx = 12,
        PlcfBtePapx = 13,
        SttbfFfn = 15,
        Dop = 31,
        Clx = 33,
    };

    void SetPair(Pair pair, std::uint32_t fc, std::uint32_t lcb);
    void SetText(std::uint32_t fcStart, std::uint32_t ccpText);
    void SetStreamSize(std::uint32_t cbMac) { m_cbMac = cbMac; }
    void SetPropertyPages(std::uint32_t firstChpxPage, std::uint32_t chpxPages, std::uint32_t firstPapxPage,
                          std::uint32_t papxPages);
    void SetHasPictures(bool hasPictures) { m_hasPictures = hasPictures; }

    QByteArray Serialize() const;

private:
    static constexpr int kPairs = 0x5D;

    std::array<std::uint32_t, 2 * kPairs> m_pairs{};
    std::uint32_t m_fcText = 0;
    std::uint32_t m_ccpText = 0;
    std::uint32_t m_cbMac = 0;
    std::uint32_t m_firstChpxPage = 0, m_chpxPages = 0, m_firstPapxPage = 0, m_papxPages = 0;
    bool m_hasPictures = false;
};

} // namespace Word
