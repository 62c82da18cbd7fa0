#pragma once

#include "wordfile/WordDocument.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace Word {

class DocFontTable;

// Lays the document body out as the text of a .doc file ([MS-DOC] 2.4.1) together with the
// properties of every character and paragraph: text runs, picture characters (0x01) pointing into
// the Data stream, paragraph marks (0x0D), cell marks and row-end marks (0x07) with the table
// properties of their row. Tables sit on an equal grid spread over the text width, as in the .docx.
class DocTextBuilder {
public:
    struct PropertyRun {
        int cpEnd = 0;         // the run ends before this character position
        QByteArray properties; // sprms; for paragraphs preceded by the istd
    };

    static constexpr std::uint32_t kNoLocation = 0xFFFFFFFF;

    // `pictureLocations[i]` is where picture i starts in the Data stream, kNoLocation if not stored.
    DocTextBuilder(DocFontTable* fonts, std::vector<std::uint32_t> pictureLocations);

    // False with `error` set when the document cannot be expressed (a row with more cells than
    // Word allows, a picture that was not stored).
    bool Build(const Document& document, QString* error);

    const QString& Text() const { return m_text; }
    const std::vector<PropertyRun>& CharacterRuns() const { return m_characterRuns; }
    const std::vector<PropertyRun>& ParagraphRuns() const { return m_paragraphRuns; }

    static constexpr int kMaxCellsPerRow = 63;  // Word's own limit
    static constexpr int kCellMarginTwips = 28; // left and right, as in the .docx

private:
    enum class Place { Body, Cell };

    bool AddParagraph(const Paragraph& paragraph, Place place, bool endsCell, QString* error);
    bool AddTable(const Table& table, int textWidth, QString* error);
    void AddCharacters(const QString& text, const QByteArray& chpx);
    QByteArray Chpx(const CharFormat& format);
    QByteArray PictureChpx(const CharFormat& format, std::uint32_t location);
    static QByteArray Papx(Alignment alignment, Place place);
    QByteArray RowPapx(const TableRow& row, int gridColumns, int textWidth) const;

    DocFontTable* m_fonts;
    std::vector<std::uint32_t> m_pictureLocations;
    QString m_text;
    std::vector<PropertyRun> m_characterRuns;
    std::vector<PropertyRun> m_paragraphRuns;
    // Properties of the formats met so far: a document has a handful, and a run looks its own up.
    std::vector<std::pair<CharFormat, QByteArray>> m_chpxCache;
};

} // namespace Word
