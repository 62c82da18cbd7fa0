#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace Word {

// Packs character or paragraph property runs into formatted disk pages (FKPs, [MS-DOC] 2.9.63 and
// 2.9.175): 512-byte pages of run boundaries (file positions in the WordDocument stream) and the
// property sprms they point at. Runs must be added in order and together cover the text without
// gaps; identical properties within a page are stored once.
class DocFkpBuilder {
public:
    enum class Kind { Character, Paragraph };

    DocFkpBuilder(Kind kind, std::uint32_t fcFirst);

    // The run from the end of the previous one (or fcFirst) to fcEnd. For paragraphs `properties`
    // is the istd (2 bytes) followed by the sprms; for characters it is the sprms alone. Returns
    // false when the properties cannot fit any page.
    bool Add(std::uint32_t fcEnd, const QByteArray& properties);

    // Finishes the last page. The pages are to be written at 512-byte page number firstPage and on;
    // the returned PlcBte ([MS-DOC] 2.8.x PlcBteChpx/PlcBtePapx) indexes them.
    std::vector<QByteArray> TakePages();
    QByteArray BinTable(std::uint32_t firstPage) const;

    static int MaxParagraphProperties(); // largest `properties` a paragraph page holds

private:
    struct Run {
        std::uint32_t fcEnd = 0;
        int item = -1; // index into m_items, -1: no properties
    };

    int StoredSize(const QByteArray& properties) const; // bytes in the page, word aligned
    bool Fits(int runs, int dataBytes) const;
    void ClosePage();

    Kind m_kind;
    std::uint32_t m_pageStart;
    std::uint32_t m_lastEnd;
    std::vector<Run> m_runs;         // of the open page
    std::vector<QByteArray> m_items; // distinct properties of the open page
    int m_dataBytes = 0;
    std::vector<QByteArray> m_pages;
    std::vector<std::uint32_t> m_bounds; // first fc of every page, then the end of the last
};

} // namespace Word
