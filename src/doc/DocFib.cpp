#include "doc/DocFib.h"

#include "doc/DocByteWriter.h"

namespace Word {

namespace {

constexpr std::uint32_t kLidChinese = 0x0804;
constexpr std::uint32_t kNoPage = 0x000FFFFF; // "no fast-saved pages" in the Word 97 page fields

} // namespace

void DocFib::SetPair(Pair pair, std::uint32_t fc, std::uint32_t lcb) {
    m_pairs[2 * pair] = fc;
    m_pairs[2 * pair + 1] = lcb;
}

void DocFib::SetText(std::uint32_t fcStart, std::uint32_t ccpText) {
    m_fcText = fcStart;
    m_ccpText = ccpText;
}

void DocFib::SetPropertyPages(std::uint32_t firstChpxPage, std::uint32_t chpxPages,
                              std::uint32_t firstPapxPage, std::uint32_t papxPages) {
    m_firstChpxPage = firstChpxPage;
    m_chpxPages = chpxPages;
    m_firstPapxPage = firstPapxPage;
    m_papxPages = papxPages;
}

QByteArray DocFib::Serialize() const {
    DocByteWriter out(kSize);
    // FibBase
    out.U16(0xA5EC); // wIdent
    out.U16(0x00C1); // nFib: Word 97
    out.U16(0);
    out.U16(kLidChinese);
    out.U16(0);                   // pnNext
    std::uint32_t flags = 0x0200; // fWhichTblStm: the table stream is 1Table
    flags |= 0x1000;              // fExtChar
    flags |= 0x4000;              // fFarEast
    if (m_hasPictures)
        flags |= 0x0008; // fHasPic
    out.U16(flags);
    out.U16(0x00BF); // nFibBack
    out.U32(0);      // lKey
    out.U8(0);       // envr: Windows
    out.U8(0);
    out.U16(0); // chs and chsTables of Word 97: ANSI
    out.U16(0);
    // fcMin and fcMac of Word 97; later versions ignore them, older readers use them.
    out.U32(m_fcText);
    out.U32(m_fcText + 2 * m_ccpText);

    // FibRgW97: 13 reserved words, then lidFE.
    out.U16(14);
    out.Zeros(26);
    out.U16(kLidChinese);

    // FibRgLw97
    out.U16(22);
    out.U32(m_cbMac);
    out.U32(0); // lProductCreated
    out.U32(0); // lProductRevised
    out.U32(m_ccpText);
    out.Zeros(7 * 4); // footnotes, headers, macros, comments, endnotes, text boxes: none
    out.U32(kNoPage);
    out.U32(m_firstChpxPage);
    out.U32(m_chpxPages);
    out.U32(kNoPage);
    out.U32(m_firstPapxPage);
    out.U32(m_papxPages);
    out.U32(kNoPage);
    out.Zeros(4 * 4);

    // FibRgFcLcb97
    out.U16(kPairs);
    for (std::uint32_t v : m_pairs)
        out.U32(v);
    out.U16(0); // cswNew: nothing newer than Word 97
    return out.Take();
}

} // namespace Word
