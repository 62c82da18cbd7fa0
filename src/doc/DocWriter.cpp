#include "doc/DocWriter.h"

#include "doc/CfbWriter.h"
#include "doc/DocByteWriter.h"
#include "doc/DocFib.h"
#include "doc/DocFkpBuilder.h"
#include "doc/DocFontTable.h"
#include "doc/DocPictureQueue.h"
#include "doc/DocPictureWriter.h"
#include "doc/DocSprm.h"
#include "doc/DocStyleSheet.h"
#include "doc/DocTextBuilder.h"
#include "wordfile/PictureGate.h"
#include "wordfile/WriteFailure.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <cmath>
#include <functional>

namespace Word {

namespace {

constexpr std::uint32_t kTextStart = 0x400; // behind the FIB, where Word 97 puts the text
constexpr std::uint32_t kPageSize = 512;
constexpr std::uint32_t kFirstShapeId = 0x0401;
constexpr int kDopSize = 500;                  // Dop97
constexpr qsizetype kMinWordStreamSize = 4096; // the mini stream cutoff

// CLSID_WordDocument {00020906-0000-0000-C000-000000000046}, as stored.
const QByteArray& WordClassId() {
    static const QByteArray id = QByteArray::fromHex("0609020000000000C000000000000046");
    return id;
}

int Twips(float points) {
    return static_cast<int>(std::lround(double(points) * 20.0));
}

// DTTM ([MS-DOC] 2.9.66) of a local time.
std::uint32_t Dttm(const QDateTime& time) {
    const QDate d = time.date();
    const QTime t = time.time();
    return std::uint32_t(t.minute()) | std::uint32_t(t.hour()) << 6 | std::uint32_t(d.day()) << 11 |
           std::uint32_t(d.month()) << 16 | std::uint32_t(d.year() - 1900) << 20 |
           std::uint32_t(d.dayOfWeek() % 7) << 29;
}

// Appends a structure to the table stream and records it in the FIB.
void Place(DocByteWriter& table, DocFib& fib, DocFib::Pair pair, const QByteArray& bytes) {
    fib.SetPair(pair, static_cast<std::uint32_t>(table.Size()), static_cast<std::uint32_t>(bytes.size()));
    table.Bytes(bytes);
}

// The WordDocument stream before its FIB is written: text, the section's properties and the
// property pages, with where each part landed.
struct WordStream {
    DocByteWriter bytes;
    std::uint32_t ccpText = 0;
    std::uint32_t fcSepx = 0;
    std::uint32_t firstChpxPage = 0;
    std::uint32_t chpxPageCount = 0;
    std::uint32_t firstPapxPage = 0;
    std::uint32_t papxPageCount = 0;
    QByteArray chpxBinTable;
    QByteArray papxBinTable;
};

// Copies the shown pictures into the Data stream in order, each prepared on a second thread while the
// one before is written, and notes where each begins.
bool WriteDataStream(const Document& document, const std::vector<int>& shown, CfbWriter& cfb,
                     std::vector<std::uint32_t>& locations, QString* reason) {
    if (shown.empty())
        return true;
    if (!cfb.BeginStream(QStringLiteral("Data")))
        return false;
    std::vector<const Picture*> pictures;
    pictures.reserve(shown.size());
    for (const int picture : shown)
        pictures.push_back(&document.pictures[static_cast<std::size_t>(picture)]);
    DocPictureQueue queue(pictures);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        bool prepared = false;
        const std::unique_ptr<DocPictureWriter> writer = queue.Next(&prepared);
        locations[static_cast<std::size_t>(shown[i])] = static_cast<std::uint32_t>(cfb.StreamPosition());
        if (!prepared || !writer->Write(kFirstShapeId + static_cast<std::uint32_t>(i), &cfb)) {
            *reason = writer->ErrorString();
            return false;
        }
    }
    return cfb.EndStream();
}

// Appends one kind of property runs as pages; false when a run's properties do not fit a page.
bool AppendPropertyPages(DocFkpBuilder::Kind kind, const std::vector<DocTextBuilder::PropertyRun>& runs,
                         DocByteWriter& bytes, std::uint32_t* firstPage, std::uint32_t* pageCount,
                         QByteArray* binTable) {
    DocFkpBuilder builder(kind, kTextStart);
    for (const auto& run : runs) {
        if (!builder.Add(kTextStart + 2 * static_cast<std::uint32_t>(run.cpEnd), run.properties))
            return false;
    }
    *firstPage = static_cast<std::uint32_t>(bytes.Size() / kPageSize);
    const std::vector<QByteArray> pages = builder.TakePages();
    for (const QByteArray& page : pages)
        bytes.Bytes(page);
    *pageCount = static_cast<std::uint32_t>(pages.size());
    *binTable = builder.BinTable(*firstPage);
    return true;
}

// WordDocument: room for the FIB, the text, the section's properties, then the property pages.
bool BuildWordStream(const DocTextBuilder& text, const QByteArray& sepx, WordStream* stream,
                     QString* reason) {
    stream->ccpText = static_cast<std::uint32_t>(text.Text().size());
    DocByteWriter& word = stream->bytes;
    word = DocByteWriter(static_cast<qsizetype>(kTextStart + 2 * stream->ccpText + 8 * kPageSize));
    word.Zeros(kTextStart);
    word.Utf16(text.Text());
    word.PadTo(2);
    stream->fcSepx = static_cast<std::uint32_t>(word.Size());
    word.U16(static_cast<std::uint32_t>(sepx.size()));
    word.Bytes(sepx);
    word.PadTo(kPageSize);
    if (!AppendPropertyPages(DocFkpBuilder::Kind::Character, text.CharacterRuns(), word,
                             &stream->firstChpxPage, &stream->chpxPageCount, &stream->chpxBinTable)) {
        *reason = QStringLiteral("character properties too large");
        return false;
    }
    if (!AppendPropertyPages(DocFkpBuilder::Kind::Paragraph, text.ParagraphRuns(), word,
                             &stream->firstPapxPage, &stream->papxPageCount, &stream->papxBinTable)) {
        *reason = QStringLiteral("paragraph properties too large");
        return false;
    }
    return true;
}

// 1Table: style sheet, section table, bin tables, fonts, document properties, piece table.
QByteArray BuildTableStream(const WordStream& stream, const DocFontTable& fonts, const QByteArray& dop,
                            DocFib& fib) {
    DocByteWriter table;
    const QByteArray stsh = DocStyleSheet::Build(fonts.AsciiDefault(), fonts.EastAsianDefault());
    fib.SetPair(DocFib::StshfOrig, 0, static_cast<std::uint32_t>(stsh.size()));
    Place(table, fib, DocFib::Stshf, stsh);
    DocByteWriter sed; // PlcfSed: one section over the whole text
    sed.U32(0);
    sed.U32(stream.ccpText);
    sed.U16(0);
    sed.U32(stream.fcSepx);
    sed.U16(0);
    sed.U32(0xFFFFFFFF);
    Place(table, fib, DocFib::PlcfSed, sed.Data());
    Place(table, fib, DocFib::PlcfBteChpx, stream.chpxBinTable);
    Place(table, fib, DocFib::PlcfBtePapx, stream.papxBinTable);
    Place(table, fib, DocFib::SttbfFfn, fonts.Serialize());
    Place(table, fib, DocFib::Dop, dop);
    DocByteWriter clx; // one uncompressed (UTF-16) piece
    clx.U8(0x02);
    clx.U32(4 * 2 + 8);
    clx.U32(0);
    clx.U32(stream.ccpText);
    clx.U16(0);
    clx.U32(kTextStart);
    clx.U16(0);
    Place(table, fib, DocFib::Clx, clx.Data());
    return table.Take();
}

// The WordDocument stream with its FIB in front.
QByteArray FinishWordStream(WordStream& stream, DocFib& fib, bool hasPictures) {
    DocByteWriter& word = stream.bytes;
    fib.SetText(kTextStart, stream.ccpText);
    fib.SetStreamSize(static_cast<std::uint32_t>(word.Size()));
    // Readers such as antiword only look for the text in regular sectors, never in the mini stream.
    if (word.Size() < kMinWordStreamSize)
        word.Zeros(kMinWordStreamSize - word.Size());
    fib.SetPropertyPages(stream.firstChpxPage, stream.chpxPageCount, stream.firstPapxPage,
                         stream.papxPageCount);
    fib.SetHasPictures(hasPictures);
    QByteArray bytes = word.Take();
    bytes.replace(0, DocFib::kSize, fib.Serialize());
    return bytes;
}

} // namespace

bool DocWriter::WriteFile(const Document& document, const QString& path, QString* error) {
    auto fail = [&](const QString& what) {
        *error = WriteFailure::Message(what);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("cannot create \"%1\": %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    CfbWriter cfb(&file);
    cfb.SetRootClassId(WordClassId());
    QString reason;

    // The Data stream first: its picture offsets go into the text's character properties.
    const std::vector<int> shown = PictureGate::ShownPictures(document);
    std::vector<std::uint32_t> locations(document.pictures.size(), DocTextBuilder::kNoLocation);
    if (!WriteDataStream(document, shown, cfb, locations, &reason))
        return fail(reason.isEmpty() ? cfb.ErrorString() : reason);

    DocFontTable fonts;
    DocTextBuilder text(&fonts, locations);
    if (!text.Build(document, &reason))
        return fail(reason);
    WordStream stream;
    if (!BuildWordStream(text, Sepx(document.page), &stream, &reason))
        return fail(reason);
    DocFib fib;
    const QByteArray table = BuildTableStream(stream, fonts, Dop(), fib);
    const QByteArray wordStream = FinishWordStream(stream, fib, !shown.empty());

    if (!cfb.AddStream(QStringLiteral("1Table"), table) ||
        !cfb.AddStream(QStringLiteral("WordDocument"), wordStream) ||
        !cfb.AddStream(QStringLiteral("\001CompObj"), CompObj()) ||
        !cfb.AddStream(QStringLiteral("\005SummaryInformation"), SummaryInformation()) || !cfb.Finish())
        return fail(cfb.ErrorString());
    if (!file.flush())
        return fail(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    return true;
}

QByteArray DocWriter::Sepx(const PageSetup& page) {
    DocByteWriter out;
    out.U16(DocSprm::SBkc);
    out.U8(2); // new page
    out.U16(DocSprm::SBOrientation);
    out.U8(page.widthTwips > page.heightTwips ? 2 : 1);
    out.U16(DocSprm::SXaPage);
    out.U16(static_cast<std::uint32_t>(page.widthTwips));
    out.U16(DocSprm::SYaPage);
    out.U16(static_cast<std::uint32_t>(page.heightTwips));
    out.U16(DocSprm::SDxaLeft);
    out.U16(static_cast<std::uint32_t>(Twips(page.margins.m_fLeft)));
    out.U16(DocSprm::SDxaRight);
    out.U16(static_cast<std::uint32_t>(Twips(page.margins.m_fRight)));
    out.U16(DocSprm::SDyaTop);
    out.I16(Twips(page.margins.m_fTop));
    out.U16(DocSprm::SDyaBottom);
    out.I16(Twips(page.margins.m_fBottom));
    out.U16(DocSprm::SDyaHdrTop);
    out.U16(851); // header and footer distances of the .docx
    out.U16(DocSprm::SDyaHdrBottom);
    out.U16(992);
    return out.Take();
}

QByteArray DocWriter::Dop() const {
    const QDateTime now = m_time.isValid() ? m_time : QDateTime::currentDateTime();
    DocByteWriter out(kDopSize);
    // DopBase ([MS-DOC] 2.7.2)
    out.U8(0x22); // fWidowControl, footnotes at the bottom of the page
    out.U8(0);
    out.U16(1 << 2); // footnotes numbered from 1
    out.U8(0);
    out.U8(0);
    out.U8(0x80); // fDfltTrueType
    out.U8(0);
    out.U16(0);   // copts60
    out.U16(420); // default tab stop, as in the .docx
    out.U16(0);
    out.U16(360); // hyphenation zone
    out.U16(0);
    out.U16(0);
    out.U32(Dttm(now));           // created
    out.U32(Dttm(now));           // revised
    out.U32(0);                   // last printed
    out.U16(1);                   // revision
    out.Zeros(4 + 4 + 4 + 2 + 4); // editing time and statistics: unknown
    out.U16(1 << 2);              // endnotes numbered from 1
    out.U16(3);                   // endnotes at the end of the document
    out.Zeros(4 + 4 + 4 + 2 + 4 + 4 + 4);
    out.U16(100 << 3); // zoom 100 %
    // Dop95
    out.U32(0);
    // Dop97
    out.U16(0);      // adt
    out.U16(1 << 1); // DopTypography: compress punctuation, as the .docx asks
    out.Zeros(308);
    out.U16(0); // Dogrid: xaGrid, yaGrid
    out.U16(0);
    out.U16(180); // dxaGrid
    out.U16(180); // dyaGrid
    out.U8(1);
    out.U8(1);
    out.Zeros(kDopSize - out.Size() - 6);
    out.U16(2); // endnote references in lower-case Roman numerals
    out.U16(0);
    out.U16(0);
    return out.Take();
}

QByteArray DocWriter::CompObj() {
    // [MS-OLEDS] 2.3.8 CompObjStream: the class of the document and its clipboard format.
    DocByteWriter out;
    out.U32(0xFFFE0001);
    out.U32(0x00000A03);
    out.U32(0xFFFFFFFF);
    out.Bytes(WordClassId());
    auto ansi = [&out](const char* text) {
        const QByteArray bytes(text);
        out.U32(static_cast<std::uint32_t>(bytes.size() + 1));
        out.Bytes(bytes);
        out.U8(0);
    };
    ansi("Microsoft Word 97-2003 Document");
    ansi("MSWordDoc");
    ansi("Word.Document.8");
    out.U32(0x71B239F4); // Unicode marker; the Unicode strings are empty
    out.U32(0);
    out.U32(0);
    out.U32(0);
    return out.Take();
}

QByteArray DocWriter::SummaryInformation() const {
    // [MS-OLEPS] property set with the summary information FMTID.
    const QDateTime now = (m_time.isValid() ? m_time : QDateTime::currentDateTime()).toUTC();
    const std::uint64_t fileTime = std::uint64_t(now.toMSecsSinceEpoch()) * 10000ull + 116444736000000000ull;

    DocByteWriter properties;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> index; // id, offset in the section
    constexpr int kSectionHeader = 8;
    constexpr int kCount = 5;
    const int base = kSectionHeader + 8 * kCount;
    auto begin = [&](std::uint32_t id) { index.emplace_back(id, base + properties.Size()); };
    begin(0x01); // code page: Windows-1252, all strings here are ASCII
    properties.U32(0x0002);
    properties.U16(1252);
    properties.U16(0);
    begin(0x12); // name of the creating application
    const QByteArray app("ZOLT");
    properties.U32(0x001E);
    properties.U32(static_cast<std::uint32_t>(app.size() + 1));
    properties.Bytes(app);
    properties.U8(0);
    properties.PadTo(4);
    for (std::uint32_t id : {0x0Cu, 0x0Du}) { // created, last saved
        begin(id);
        properties.U32(0x0040);
        properties.U64(fileTime);
    }
    begin(0x13); // security: none
    properties.U32(0x0003);
    properties.U32(0);

    DocByteWriter out;
    out.U16(0xFFFE);
    out.U16(0);
    out.U32(0x00020006); // written as by Windows
    out.Zeros(16);
    out.U32(1);
    out.Bytes(QByteArray::fromHex("E0859FF2F94F6810AB9108002B27B3D9"));
    out.U32(48);
    out.U32(static_cast<std::uint32_t>(base + properties.Size()));
    out.U32(kCount);
    for (const auto& [id, offset] : index) {
        out.U32(id);
        out.U32(offset);
    }
    out.Bytes(properties.Data());
    return out.Take();
}

} // namespace Word
