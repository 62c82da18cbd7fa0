#pragma once

#include "wordfile/MarginInfo.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

// The in-memory document that CWordOper builds and that the file writers (.docx, .doc) serialise.
// It holds only what the report needs: paragraphs of formatted runs, tables on an equal-column
// grid with horizontally merged cells, and inline pictures kept as references to their files.
namespace Word {

struct CharFormat {
    QString fontName;       // also used as the East Asian font
    float sizePt = 12.0f;   // points
    std::int32_t color = 0; // 0x00BBGGRR, as Word's colour value; 0 is black
    bool bold = false;
    bool italic = false;
    std::int32_t underline = 0; // Word underline kind; 0: none, 1: single

    bool operator==(const CharFormat&) const = default;
};

enum class Alignment { Left, Center };

// A run is text in one format, or one inline picture (picture >= 0, text empty).
// Text is already safe for every writer: no C0 controls but '\t' (tab) and '\n' (line break),
// no U+FFFE/U+FFFF, no lone surrogates.
struct Run {
    QString text;
    CharFormat format;
    int picture = -1; // index into Document::pictures

    bool IsPicture() const { return picture >= 0; }
};

struct Paragraph {
    Alignment alignment = Alignment::Left;
    std::vector<Run> runs;
    CharFormat markFormat; // format of the paragraph mark (what an empty paragraph shows)
};

struct TableCell {
    int gridSpan = 1;                  // number of grid columns this cell covers
    std::vector<Paragraph> paragraphs; // never empty
};

struct TableRow {
    std::vector<TableCell> cells; // grid spans add up to Table::gridColumns
};

struct Table {
    int gridColumns = 1;
    std::vector<TableRow> rows; // never empty
};

using BodyElement = std::variant<Paragraph, Table>;

struct Picture {
    enum class Encoding { Png, Jpeg, ConvertToPng }; // ConvertToPng: any other format Qt reads
    QString sourcePath; // the file, streamed into the package when the document is saved
    Encoding encoding = Encoding::Png;
    int pixelWidth = 0;
    int pixelHeight = 0;
    float widthPt = 0.0f; // shown size
    float heightPt = 0.0f;
    std::int64_t fileSize = 0; // size of sourcePath when it was inserted
    // PNG and JPEG: the leading bytes that make the picture, up to its end marker; whatever follows
    // (padding, a line of text) is not part of it and stays out of the document. 0: the whole file.
    std::int64_t embedSize = 0;

    std::int64_t EmbeddedBytes() const { return embedSize > 0 ? embedSize : fileSize; }
};

struct PageSetup {
    int widthTwips = 11906; // A4 portrait
    int heightTwips = 16838;
    MarginInfo margins; // points
};

struct Document {
    PageSetup page;
    std::vector<BodyElement> body; // ends with a paragraph once a writer sees it
    std::vector<Picture> pictures;
};

// Every paragraph of the body in reading order, those in table cells included.
inline void ForEachParagraph(const Document& document, const std::function<void(const Paragraph&)>& visit) {
    for (const BodyElement& element : document.body) {
        if (const Paragraph* paragraph = std::get_if<Paragraph>(&element)) {
            visit(*paragraph);
            continue;
        }
        for (const TableRow& row : std::get<Table>(element).rows)
            for (const TableCell& cell : row.cells)
                for (const Paragraph& paragraph : cell.paragraphs)
                    visit(paragraph);
    }
}

} // namespace Word
