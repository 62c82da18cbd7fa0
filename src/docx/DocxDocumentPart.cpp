#include "docx/DocxDocumentPart.h"

#include "docx/DocxNamespaces.h"

#include <QBuffer>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace Word {

namespace {

constexpr std::int64_t kEmuPerPoint = 12700;
// Left and right cell margins: small, so that a 140 pt picture fits a cell four grid columns wide.
constexpr int kCellMarginTwips = 28;
constexpr qsizetype kDrainSize = 32 * 1024;

QString HexColor(std::int32_t color) {
    // Word's colour value is 0x00BBGGRR; values with the top byte set (automatic, theme colours) have
    // no RGB and are written as automatic.
    if (color < 0 || (color & 0xFF000000) != 0)
        return QStringLiteral("auto");
    const int red = color & 0xFF;
    const int green = (color >> 8) & 0xFF;
    const int blue = (color >> 16) & 0xFF;
    return QStringLiteral("%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString UnderlineValue(std::int32_t kind) {
    switch (kind) {
    case 1:
        return QStringLiteral("single");
    case 2:
        return QStringLiteral("words");
    case 3:
        return QStringLiteral("double");
    case 4:
        return QStringLiteral("dotted");
    case 6:
        return QStringLiteral("thick");
    case 7:
        return QStringLiteral("dash");
    case 9:
        return QStringLiteral("dotDash");
    case 10:
        return QStringLiteral("dotDotDash");
    case 11:
        return QStringLiteral("wave");
    default:
        return QStringLiteral("single");
    }
}

QString Emu(float points) {
    return QString::number(std::llround(double(points) * kEmuPerPoint));
}

// A w:drawing holding one inline picture of the given extent (EMU) with its wp:docPr id.
void WriteDrawing(QXmlStreamWriter& xml, const QString& cx, const QString& cy, const QString& id,
                  const QString& relationshipId) {
    const QString name = QStringLiteral("Picture %1").arg(id);
    xml.writeStartElement(Ns::W, QStringLiteral("drawing"));
    xml.writeStartElement(Ns::WP, QStringLiteral("inline"));
    for (const char* side : {"distT", "distB", "distL", "distR"})
        xml.writeAttribute(QString::fromLatin1(side), QStringLiteral("0"));
    xml.writeEmptyElement(Ns::WP, QStringLiteral("extent"));
    xml.writeAttribute(QStringLiteral("cx"), cx);
    xml.writeAttribute(QStringLiteral("cy"), cy);
    xml.writeEmptyElement(Ns::WP, QStringLiteral("effectExtent"));
    for (const char* side : {"l", "t", "r", "b"})
        xml.writeAttribute(QString::fromLatin1(side), QStringLiteral("0"));
    xml.writeEmptyElement(Ns::WP, QStringLiteral("docPr"));
    xml.writeAttribute(QStringLiteral("id"), id);
    xml.writeAttribute(QStringLiteral("name"), name);
    xml.writeStartElement(Ns::WP, QStringLiteral("cNvGraphicFramePr"));
    xml.writeEmptyElement(Ns::A, QStringLiteral("graphicFrameLocks"));
    xml.writeAttribute(QStringLiteral("noChangeAspect"), QStringLiteral("1"));
    xml.writeEndElement();
    xml.writeStartElement(Ns::A, QStringLiteral("graphic"));
    xml.writeStartElement(Ns::A, QStringLiteral("graphicData"));
    xml.writeAttribute(QStringLiteral("uri"), Ns::PIC);
    xml.writeStartElement(Ns::PIC, QStringLiteral("pic"));
    xml.writeStartElement(Ns::PIC, QStringLiteral("nvPicPr"));
    xml.writeEmptyElement(Ns::PIC, QStringLiteral("cNvPr"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("name"), name);
    xml.writeEmptyElement(Ns::PIC, QStringLiteral("cNvPicPr"));
    xml.writeEndElement();
    xml.writeStartElement(Ns::PIC, QStringLiteral("blipFill"));
    xml.writeEmptyElement(Ns::A, QStringLiteral("blip"));
    xml.writeAttribute(Ns::R, QStringLiteral("embed"), relationshipId);
    xml.writeStartElement(Ns::A, QStringLiteral("stretch"));
    xml.writeEmptyElement(Ns::A, QStringLiteral("fillRect"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(Ns::PIC, QStringLiteral("spPr"));
    xml.writeStartElement(Ns::A, QStringLiteral("xfrm"));
    xml.writeEmptyElement(Ns::A, QStringLiteral("off"));
    xml.writeAttribute(QStringLiteral("x"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("y"), QStringLiteral("0"));
    xml.writeEmptyElement(Ns::A, QStringLiteral("ext"));
    xml.writeAttribute(QStringLiteral("cx"), cx);
    xml.writeAttribute(QStringLiteral("cy"), cy);
    xml.writeEndElement();
    xml.writeStartElement(Ns::A, QStringLiteral("prstGeom"));
    xml.writeAttribute(QStringLiteral("prst"), QStringLiteral("rect"));
    xml.writeEmptyElement(Ns::A, QStringLiteral("avLst"));
    xml.writeEndElement();
    xml.writeEndElement(); // spPr
    xml.writeEndElement(); // pic
    xml.writeEndElement(); // graphicData
    xml.writeEndElement(); // graphic
    xml.writeEndElement(); // inline
    xml.writeEndElement(); // drawing
}

// The markup that `write` makes inside the document element (or, `declared` false, inside an element
// that declares no namespaces), as text. Pieces that repeat (a run's properties, a picture's drawing)
// are rendered once and copied: each QXmlStreamWriter call costs about as much as copying a kilobyte,
// and a picture takes sixty of them.
QString Rendered(const std::function<void(QXmlStreamWriter&)>& write, bool declared = true) {
    QString text;
    QXmlStreamWriter xml(&text);
    if (declared) {
        DocxDocumentPart::DeclareNamespaces(xml);
        xml.writeStartElement(Ns::W, QStringLiteral("document"));
    } else {
        xml.writeStartElement(QStringLiteral("part"));
    }
    xml.writeCharacters(QString()); // ends the start tag
    const qsizetype start = text.size();
    write(xml);
    xml.writeCharacters(QString());
    return text.mid(start);
}

// A picture's drawing, split where its values go: extent, drawing id, relationship id. Inside the
// document part the namespaces are declared at its root; elsewhere on the drawing (`ownNamespaces`).
class DrawingPattern {
public:
    explicit DrawingPattern(bool ownNamespaces) {
        const QString markup = Rendered(
            [&](QXmlStreamWriter& xml) {
                if (ownNamespaces)
                    DocxDocumentPart::DeclareNamespaces(xml);
                WriteDrawing(xml, kMarks[0], kMarks[1], kMarks[2], kMarks[3]);
            },
            !ownNamespaces);
        qsizetype start = 0;
        for (qsizetype i = 0; i < markup.size(); ++i) {
            const int mark = MarkAt(markup.at(i));
            if (mark >= 0) {
                m_pieces.push_back({markup.mid(start, i - start), mark});
                start = i + 1;
            }
        }
        m_tail = markup.mid(start);
    }

    void Append(QString& text, const Picture& picture, int drawingId, const QString& relationshipId) const {
        const QString values[4] = {Emu(picture.widthPt), Emu(picture.heightPt), QString::number(drawingId),
                                   relationshipId.toHtmlEscaped()};
        for (const Piece& piece : m_pieces) {
            text += piece.before;
            text += values[piece.mark];
        }
        text += m_tail;
    }

private:
    struct Piece {
        QString before;
        int mark;
    };
    static constexpr QChar kMarks[4] = {QChar(0xE000), QChar(0xE001), QChar(0xE002), QChar(0xE003)};
    static int MarkAt(QChar c) {
        for (int i = 0; i < 4; ++i) {
            if (c == kMarks[i])
                return i;
        }
        return -1;
    }

    std::vector<Piece> m_pieces;
    QString m_tail;
};

class BodyWriter {
public:
    BodyWriter(QXmlStreamWriter& xml, QString& text, const Document& document,
               const std::vector<QString>& relationshipIds, const std::function<void()>& drain)
        : m_xml(xml), m_text(text), m_document(document), m_relationshipIds(relationshipIds), m_drain(drain) {
    }

    void WriteBody() {
        m_xml.writeStartElement(Ns::W, QStringLiteral("body"));
        for (const BodyElement& element : m_document.body) {
            if (const Paragraph* paragraph = std::get_if<Paragraph>(&element))
                WriteParagraph(*paragraph);
            else
                WriteTable(std::get<Table>(element));
            m_drain();
        }
        // A body always ends with a paragraph, even a table at the very end gets one behind it.
        if (m_document.body.empty() || std::holds_alternative<Table>(m_document.body.back()))
            WriteParagraph(Paragraph{});
        WriteSection();
        m_xml.writeEndElement();
    }

private:
    static void Val(QXmlStreamWriter& xml, const QString& name, const QString& value) {
        xml.writeEmptyElement(Ns::W, name);
        xml.writeAttribute(Ns::W, QStringLiteral("val"), value);
    }
    void Val(const QString& name, const QString& value) { Val(m_xml, name, value); }

    // Appends markup rendered before; the writer first ends the start tag it may have open.
    void Raw(const QString& markup) {
        m_xml.writeCharacters(QString());
        m_text += markup;
    }

    // A document has a handful of formats and a run looks its own up.
    void WriteRunProperties(const CharFormat& format) {
        for (const auto& [known, markup] : m_runProperties) {
            if (known == format) {
                Raw(markup);
                return;
            }
        }
        m_runProperties.emplace_back(
            format, Rendered([&](QXmlStreamWriter& xml) { WriteRunProperties(xml, format); }));
        Raw(m_runProperties.back().second);
    }

    static void WriteRunProperties(QXmlStreamWriter& xml, const CharFormat& format) {
        xml.writeStartElement(Ns::W, QStringLiteral("rPr"));
        if (!format.fontName.isEmpty()) {
            xml.writeEmptyElement(Ns::W, QStringLiteral("rFonts"));
            for (const char* attribute : {"ascii", "hAnsi", "eastAsia", "cs"})
                xml.writeAttribute(Ns::W, QString::fromLatin1(attribute), format.fontName);
        }
        if (format.bold) {
            xml.writeEmptyElement(Ns::W, QStringLiteral("b"));
            xml.writeEmptyElement(Ns::W, QStringLiteral("bCs"));
        }
        if (format.italic) {
            xml.writeEmptyElement(Ns::W, QStringLiteral("i"));
            xml.writeEmptyElement(Ns::W, QStringLiteral("iCs"));
        }
        if (format.color != 0)
            Val(xml, QStringLiteral("color"), HexColor(format.color));
        const QString halfPoints = QString::number(std::max(2L, std::lround(format.sizePt * 2.0f)));
        Val(xml, QStringLiteral("sz"), halfPoints);
        Val(xml, QStringLiteral("szCs"), halfPoints);
        if (format.underline != 0)
            Val(xml, QStringLiteral("u"), UnderlineValue(format.underline));
        xml.writeEndElement();
    }

    void WriteParagraph(const Paragraph& paragraph) {
        m_xml.writeStartElement(Ns::W, QStringLiteral("p"));
        m_xml.writeStartElement(Ns::W, QStringLiteral("pPr"));
        if (paragraph.alignment == Alignment::Center)
            Val(QStringLiteral("jc"), QStringLiteral("center"));
        WriteRunProperties(paragraph.markFormat);
        m_xml.writeEndElement();
        for (const Run& run : paragraph.runs) {
            m_xml.writeStartElement(Ns::W, QStringLiteral("r"));
            WriteRunProperties(run.format);
            if (run.IsPicture())
                WritePicture(run.picture);
            else
                WriteText(run.text);
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
    }

    // Tabs and line breaks are elements of their own; the text between them goes into w:t.
    void WriteText(const QString& text) {
        qsizetype start = 0;
        auto flush = [&](qsizetype end) {
            if (end > start) {
                m_xml.writeStartElement(Ns::W, QStringLiteral("t"));
                m_xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                m_xml.writeCharacters(text.mid(start, end - start));
                m_xml.writeEndElement();
            }
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QChar(u'\t') || c == QChar(u'\n')) {
                flush(i);
                m_xml.writeEmptyElement(Ns::W,
                                        c == QChar(u'\t') ? QStringLiteral("tab") : QStringLiteral("br"));
                start = i + 1;
            }
        }
        flush(text.size());
    }

    void WritePicture(int index) {
        static const DrawingPattern drawing(false);
        m_xml.writeCharacters(QString());
        drawing.Append(m_text, m_document.pictures[index], ++m_drawingId, m_relationshipIds[index]);
    }

    void Border(const QString& side) {
        m_xml.writeEmptyElement(Ns::W, side);
        m_xml.writeAttribute(Ns::W, QStringLiteral("val"), QStringLiteral("single"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("sz"), QStringLiteral("4"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("space"), QStringLiteral("0"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("color"), QStringLiteral("auto"));
    }

    void Width(const QString& name, int twips) {
        m_xml.writeEmptyElement(Ns::W, name);
        m_xml.writeAttribute(Ns::W, QStringLiteral("w"), QString::number(twips));
        m_xml.writeAttribute(Ns::W, QStringLiteral("type"), QStringLiteral("dxa"));
    }

    void WriteTable(const Table& table) {
        const int column = DocxDocumentPart::GridColumnTwips(m_document.page, table.gridColumns);
        m_xml.writeStartElement(Ns::W, QStringLiteral("tbl"));
        m_xml.writeStartElement(Ns::W, QStringLiteral("tblPr"));
        Val(QStringLiteral("tblStyle"), QStringLiteral("TableGrid"));
        Width(QStringLiteral("tblW"), column * table.gridColumns);
        // The borders are repeated here so that readers without style support still draw the grid.
        m_xml.writeStartElement(Ns::W, QStringLiteral("tblBorders"));
        for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
            Border(QString::fromLatin1(side));
        m_xml.writeEndElement();
        m_xml.writeEmptyElement(Ns::W, QStringLiteral("tblLayout"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("type"), QStringLiteral("fixed"));
        m_xml.writeStartElement(Ns::W, QStringLiteral("tblCellMar"));
        Width(QStringLiteral("top"), 0);
        Width(QStringLiteral("left"), kCellMarginTwips);
        Width(QStringLiteral("bottom"), 0);
        Width(QStringLiteral("right"), kCellMarginTwips);
        m_xml.writeEndElement();
        m_xml.writeEndElement(); // tblPr
        m_xml.writeStartElement(Ns::W, QStringLiteral("tblGrid"));
        for (int i = 0; i < table.gridColumns; ++i) {
            m_xml.writeEmptyElement(Ns::W, QStringLiteral("gridCol"));
            m_xml.writeAttribute(Ns::W, QStringLiteral("w"), QString::number(column));
        }
        m_xml.writeEndElement();
        for (const TableRow& row : table.rows) {
            m_xml.writeStartElement(Ns::W, QStringLiteral("tr"));
            for (const TableCell& cell : row.cells) {
                m_xml.writeStartElement(Ns::W, QStringLiteral("tc"));
                m_xml.writeStartElement(Ns::W, QStringLiteral("tcPr"));
                Width(QStringLiteral("tcW"), column * cell.gridSpan);
                if (cell.gridSpan > 1)
                    Val(QStringLiteral("gridSpan"), QString::number(cell.gridSpan));
                m_xml.writeEndElement();
                for (const Paragraph& paragraph : cell.paragraphs)
                    WriteParagraph(paragraph);
                if (cell.paragraphs.empty())
                    WriteParagraph(Paragraph{});
                m_xml.writeEndElement();
            }
            m_xml.writeEndElement();
            m_drain();
        }
        m_xml.writeEndElement();
    }

    void WriteSection() {
        const PageSetup& page = m_document.page;
        m_xml.writeStartElement(Ns::W, QStringLiteral("sectPr"));
        m_xml.writeEmptyElement(Ns::W, QStringLiteral("pgSz"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("w"), QString::number(page.widthTwips));
        m_xml.writeAttribute(Ns::W, QStringLiteral("h"), QString::number(page.heightTwips));
        m_xml.writeEmptyElement(Ns::W, QStringLiteral("pgMar"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("top"),
                             QString::number(DocxDocumentPart::Twips(page.margins.m_fTop)));
        m_xml.writeAttribute(Ns::W, QStringLiteral("right"),
                             QString::number(DocxDocumentPart::Twips(page.margins.m_fRight)));
        m_xml.writeAttribute(Ns::W, QStringLiteral("bottom"),
                             QString::number(DocxDocumentPart::Twips(page.margins.m_fBottom)));
        m_xml.writeAttribute(Ns::W, QStringLiteral("left"),
                             QString::number(DocxDocumentPart::Twips(page.margins.m_fLeft)));
        m_xml.writeAttribute(Ns::W, QStringLiteral("header"), QStringLiteral("851"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("footer"), QStringLiteral("992"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("gutter"), QStringLiteral("0"));
        m_xml.writeEmptyElement(Ns::W, QStringLiteral("cols"));
        m_xml.writeAttribute(Ns::W, QStringLiteral("space"), QStringLiteral("425"));
        m_xml.writeEndElement();
    }

    QXmlStreamWriter& m_xml;
    QString& m_text; // the writer's target
    const Document& m_document;
    const std::vector<QString>& m_relationshipIds;
    const std::function<void()>& m_drain;
    int m_drawingId = 0; // wp:docPr ids, unique in the document
    std::vector<std::pair<CharFormat, QString>> m_runProperties;
};

} // namespace

void DocxDocumentPart::WriteInlinePicture(QXmlStreamWriter& xml, const Picture& picture, int drawingId,
                                          const QString& relationshipId) {
    WriteDrawing(xml, Emu(picture.widthPt), Emu(picture.heightPt), QString::number(drawingId),
                 relationshipId);
}

QString DocxDocumentPart::InlinePictureMarkup(const Picture& picture, int drawingId,
                                              const QString& relationshipId) {
    static const DrawingPattern drawing(true);
    QString markup;
    drawing.Append(markup, picture, drawingId, relationshipId);
    return markup;
}

QByteArray DocxDocumentPart::Build(const Document& document, const std::vector<QString>& relationshipIds) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Write(document, relationshipIds, &buffer);
    return bytes;
}

bool DocxDocumentPart::Write(const Document& document, const std::vector<QString>& relationshipIds,
                             QIODevice* device) {
    // The writer appends to a string, passed on as UTF-8 in large pieces: writing to the device
    // directly would encode and pass on every tag and attribute on its own, several times slower.
    // The string is a writer's target, which it only ever appends to, so it may be emptied between
    // elements. The declaration is written here since a writer to a string leaves out the encoding.
    QString text;
    text.reserve(kDrainSize + 16 * 1024);
    bool written = true;
    const auto drainAbove = [&](qsizetype size) {
        if (text.size() <= size)
            return;
        const QByteArray bytes = text.toUtf8();
        // A write cut short (the disk filled up part way) sets no error; the next one says why.
        for (qsizetype done = 0; written && done < bytes.size();) {
            const qint64 count = device->write(bytes.constData() + done, bytes.size() - done);
            written = count > 0;
            done += std::max<qint64>(count, 0);
        }
        text.resize(0);
    };
    const std::function<void()> drain = [&] { drainAbove(kDrainSize); };
    text += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>");
    QXmlStreamWriter xml(&text);
    DeclareNamespaces(xml);
    xml.writeStartElement(Ns::W, QStringLiteral("document"));
    BodyWriter(xml, text, document, relationshipIds, drain).WriteBody();
    xml.writeEndElement();
    xml.writeEndDocument();
    drainAbove(0);
    return written && !xml.hasError();
}

void DocxDocumentPart::DeclareNamespaces(QXmlStreamWriter& xml) {
    xml.writeNamespace(Ns::W, QStringLiteral("w"));
    xml.writeNamespace(Ns::R, QStringLiteral("r"));
    xml.writeNamespace(Ns::WP, QStringLiteral("wp"));
    xml.writeNamespace(Ns::A, QStringLiteral("a"));
    xml.writeNamespace(Ns::PIC, QStringLiteral("pic"));
}

int DocxDocumentPart::Twips(float points) {
    return static_cast<int>(std::lround(double(points) * 20.0));
}

int DocxDocumentPart::TextWidthTwips(const PageSetup& page) {
    return std::max(1, page.widthTwips - Twips(page.margins.m_fLeft) - Twips(page.margins.m_fRight));
}

int DocxDocumentPart::GridColumnTwips(const PageSetup& page, int gridColumns) {
    return std::max(1, TextWidthTwips(page) / std::max(1, gridColumns));
}

} // namespace Word
