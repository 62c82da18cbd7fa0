#include "doc/DocTextBuilder.h"

#include "doc/DocByteWriter.h"
#include "doc/DocFontTable.h"
#include "doc/DocSprm.h"

#include <algorithm>
#include <cmath>

namespace Word {

namespace {

constexpr char16_t kParagraphMark = 0x0D;
constexpr char16_t kCellMark = 0x07;
constexpr char16_t kLineBreak = 0x0B;
constexpr char16_t kPictureCharacter = 0x01;
constexpr char16_t kReplacement = 0xFFFD;

bool IsMark(QChar c) {
    return c == QChar(kParagraphMark) || c == QChar(kCellMark);
}

int Twips(float points) {
    return static_cast<int>(std::lround(double(points) * 20.0));
}

// The nearest of the 16 colours of Word 97's palette (ico), for readers that do not know sprmCCv.
int NearestIco(std::uint32_t colorRef) {
    static const int kPalette[16][3] = {{0, 0, 0},     {0, 0, 255},   {0, 255, 255},   {0, 255, 0},
                                        {255, 0, 255}, {255, 0, 0},   {255, 255, 0},   {255, 255, 255},
                                        {0, 0, 128},   {0, 128, 128}, {0, 128, 0},     {128, 0, 128},
                                        {128, 0, 0},   {128, 128, 0}, {128, 128, 128}, {192, 192, 192}};
    const int r = colorRef & 0xFF, g = (colorRef >> 8) & 0xFF, b = (colorRef >> 16) & 0xFF;
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 16; ++i) {
        const int dr = r - kPalette[i][0], dg = g - kPalette[i][1], db = b - kPalette[i][2];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best + 1;
}

int UnderlineKind(std::int32_t kind) {
    switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
    case 7:
    case 9:
    case 10:
    case 11:
        return kind;
    default:
        return 1; // every other kind shows as a single line, as in the .docx
    }
}

// A single 0.5 pt line in the automatic colour (Brc80).
void SingleBorder(DocByteWriter& out) {
    out.U8(4); // dptLineWidth, eighths of a point
    out.U8(1); // brcType: single
    out.U8(0); // ico: automatic
    out.U8(0); // dptSpace, fShadow, fFrame
}

} // namespace

DocTextBuilder::DocTextBuilder(DocFontTable* fonts, std::vector<std::uint32_t> pictureLocations)
    : m_fonts(fonts), m_pictureLocations(std::move(pictureLocations)) {}

bool DocTextBuilder::Build(const Document& document, QString* error) {
    const int textWidth = std::max(1, document.page.widthTwips - Twips(document.page.margins.m_fLeft) -
                                          Twips(document.page.margins.m_fRight));
    for (const BodyElement& element : document.body) {
        if (const Paragraph* paragraph = std::get_if<Paragraph>(&element)) {
            if (!AddParagraph(*paragraph, Place::Body, false, error))
                return false;
        } else if (!AddTable(std::get<Table>(element), textWidth, error)) {
            return false;
        }
    }
    // The text ends with a paragraph mark outside any table.
    if (document.body.empty() || std::holds_alternative<Table>(document.body.back()))
        return AddParagraph(Paragraph{}, Place::Body, false, error);
    return true;
}

void DocTextBuilder::AddCharacters(const QString& text, const QByteArray& chpx) {
    if (text.isEmpty())
        return;
    m_text += text;
    const int end = static_cast<int>(m_text.size());
    // Runs end with their paragraph, as Word writes them; some readers take a run's properties only
    // in the paragraph where it starts.
    const bool afterMark = !m_characterRuns.empty() && IsMark(m_text[m_characterRuns.back().cpEnd - 1]);
    const bool isMark = IsMark(text.back());
    if (!m_characterRuns.empty() && !afterMark && !isMark && m_characterRuns.back().properties == chpx)
        m_characterRuns.back().cpEnd = end;
    else
        m_characterRuns.push_back(PropertyRun{end, chpx});
}

bool DocTextBuilder::AddParagraph(const Paragraph& paragraph, Place place, bool endsCell, QString* error) {
    for (const Run& run : paragraph.runs) {
        if (run.IsPicture()) {
            const std::size_t index = static_cast<std::size_t>(run.picture);
            if (index >= m_pictureLocations.size() || m_pictureLocations[index] == kNoLocation) {
                *error = QStringLiteral("picture %1 was not stored").arg(run.picture);
                return false;
            }
            AddCharacters(QString(QChar(kPictureCharacter)),
                          PictureChpx(run.format, m_pictureLocations[index]));
            continue;
        }
        // Structural characters in the text would split paragraphs or cells; the text is safe
        // already, but anything of that kind left becomes U+FFFD, as the sanitiser does.
        QString text = run.text;
        for (QChar& c : text) {
            if (c == QChar(u'\n'))
                c = QChar(kLineBreak);
            else if (c.unicode() < 0x20 && c != QChar(u'\t'))
                c = QChar(kReplacement);
        }
        AddCharacters(text, Chpx(run.format));
    }
    AddCharacters(QString(QChar(endsCell ? kCellMark : kParagraphMark)), Chpx(paragraph.markFormat));
    m_paragraphRuns.push_back(PropertyRun{static_cast<int>(m_text.size()), Papx(paragraph.alignment, place)});
    return true;
}

bool DocTextBuilder::AddTable(const Table& table, int textWidth, QString* error) {
    for (const TableRow& row : table.rows) {
        if (row.cells.empty() || static_cast<int>(row.cells.size()) > kMaxCellsPerRow) {
            *error = QStringLiteral("a table row has %1 cells; the Word 97-2003 format allows 1 to %2.")
                         .arg(row.cells.size())
                         .arg(kMaxCellsPerRow);
            return false;
        }
        CharFormat lastMark;
        for (const TableCell& cell : row.cells) {
            if (cell.paragraphs.empty()) {
                if (!AddParagraph(Paragraph{}, Place::Cell, true, error))
                    return false;
                continue;
            }
            for (std::size_t i = 0; i < cell.paragraphs.size(); ++i) {
                if (!AddParagraph(cell.paragraphs[i], Place::Cell, i + 1 == cell.paragraphs.size(), error))
                    return false;
            }
            lastMark = cell.paragraphs.back().markFormat;
        }
        AddCharacters(QString(QChar(kCellMark)), Chpx(lastMark));
        m_paragraphRuns.push_back(
            PropertyRun{static_cast<int>(m_text.size()), RowPapx(row, table.gridColumns, textWidth)});
    }
    return true;
}

QByteArray DocTextBuilder::Chpx(const CharFormat& format) {
    for (const auto& [known, chpx] : m_chpxCache) {
        if (known == format)
            return chpx;
    }

    DocByteWriter out;
    if (!format.fontName.isEmpty()) {
        // One face for Latin, East Asian and other text alike.
        const int ftc = m_fonts->IndexOf(format.fontName);
        for (std::uint16_t sprm : {DocSprm::CRgFtc0, DocSprm::CRgFtc1, DocSprm::CRgFtc2}) {
            out.U16(sprm);
            out.U16(static_cast<std::uint32_t>(ftc));
        }
    }
    const long halfPoints = std::clamp(std::lround(double(format.sizePt) * 2.0), 2L, 3276L);
    out.U16(DocSprm::CHps);
    out.U16(static_cast<std::uint32_t>(halfPoints));
    out.U16(DocSprm::CHpsBi);
    out.U16(static_cast<std::uint32_t>(halfPoints));
    if (format.bold) {
        out.U16(DocSprm::CFBold);
        out.U8(1);
        out.U16(DocSprm::CFBoldBi);
        out.U8(1);
    }
    if (format.italic) {
        out.U16(DocSprm::CFItalic);
        out.U8(1);
        out.U16(DocSprm::CFItalicBi);
        out.U8(1);
    }
    if (format.underline != 0) {
        out.U16(DocSprm::CKul);
        out.U8(static_cast<std::uint32_t>(UnderlineKind(format.underline)));
    }
    // Word's colour value is 0x00BBGGRR, the byte order of a COLORREF; 0 (black) and values with
    // the top byte set (automatic, theme colours) stay automatic.
    if (format.color > 0 && (format.color & 0xFF000000) == 0) {
        const std::uint32_t colorRef = static_cast<std::uint32_t>(format.color);
        out.U16(DocSprm::CIco);
        out.U8(static_cast<std::uint32_t>(NearestIco(colorRef)));
        out.U16(DocSprm::CCv);
        out.U32(colorRef);
    }
    m_chpxCache.emplace_back(format, out.Data());
    return out.Take();
}

QByteArray DocTextBuilder::PictureChpx(const CharFormat& format, std::uint32_t location) {
    DocByteWriter out;
    out.Bytes(Chpx(format));
    out.U16(DocSprm::CFSpec);
    out.U8(1);
    out.U16(DocSprm::CPicLocation);
    out.U32(location);
    return out.Take();
}

QByteArray DocTextBuilder::Papx(Alignment alignment, Place place) {
    DocByteWriter out;
    out.U16(0); // istd: Normal
    if (alignment == Alignment::Center) {
        out.U16(DocSprm::PJc80);
        out.U8(1);
        out.U16(DocSprm::PJc);
        out.U8(1);
    }
    if (place == Place::Cell) {
        out.U16(DocSprm::PFInTable);
        out.U8(1);
        out.U16(DocSprm::PItap);
        out.U32(1);
    }
    return out.Take();
}

QByteArray DocTextBuilder::RowPapx(const TableRow& row, int gridColumns, int textWidth) const {
    const int cells = static_cast<int>(row.cells.size());
    const int column = std::max(1, textWidth / std::max(1, gridColumns));
    // Per-cell borders (TC80) while they fit a property page; wider rows get them by sprmTSetBrc80.
    constexpr int kTc80Size = 20;
    constexpr int kFixedRowBytes = 2 + 3 + 3 + 6 + 4 + 4 + 1 + 27 + 10;
    const bool cellBorders =
        kFixedRowBytes + 2 * (cells + 1) + kTc80Size * cells <= 487; // DocFkpBuilder::MaxParagraphProperties

    DocByteWriter out;
    out.U16(0); // istd
    out.U16(DocSprm::PFInTable);
    out.U8(1);
    out.U16(DocSprm::PFTtp);
    out.U8(1);
    out.U16(DocSprm::PItap);
    out.U32(1);
    out.U16(DocSprm::TDxaGapHalf);
    out.U16(kCellMarginTwips);

    out.U16(DocSprm::TDefTable);
    out.U16(static_cast<std::uint32_t>(1 + 2 * (cells + 1) + (cellBorders ? kTc80Size * cells : 0) + 1));
    out.U8(static_cast<std::uint32_t>(cells));
    int edge = 0;
    out.I16(edge);
    for (const TableCell& cell : row.cells) {
        edge += column * std::max(1, cell.gridSpan);
        out.I16(std::min(edge, 31680)); // 22 inches, Word's widest
    }
    if (cellBorders) {
        for (int i = 0; i < cells; ++i) {
            out.U16(0); // tcgrf
            out.U16(0); // wWidth: from the cell edges
            for (int side = 0; side < 4; ++side)
                SingleBorder(out);
        }
    }

    out.U16(DocSprm::TTableBorders80);
    out.U8(24);
    for (int side = 0; side < 6; ++side) // top, left, bottom, right, inside horizontal and vertical
        SingleBorder(out);
    if (!cellBorders) {
        out.U16(DocSprm::TSetBrc80);
        out.U8(7);
        out.U8(0);                                 // itcFirst
        out.U8(static_cast<std::uint32_t>(cells)); // itcLim
        out.U8(0x0F);                              // top, left, bottom, right
        SingleBorder(out);
    }
    return out.Take();
}

} // namespace Word
