#include "doc/DocStyleSheet.h"

#include "doc/DocByteWriter.h"
#include "doc/DocSprm.h"

#include <QString>

namespace Word {

namespace {

constexpr int kFixedStyles = 15; // istd 0-14 are reserved for built-in styles
constexpr std::uint32_t kIstdNil = 0x0FFF;
constexpr int kStiNormal = 0;
constexpr int kStiDefaultParagraphFont = 65;
constexpr int kStkParagraph = 1;
constexpr int kStkCharacter = 2;

QByteArray Upx(const QByteArray& bytes) {
    DocByteWriter out;
    out.U16(static_cast<std::uint32_t>(bytes.size()));
    out.Bytes(bytes);
    out.PadTo(2);
    return out.Take();
}

// STD with a StdfBase of 10 bytes, the name and the UPXs.
QByteArray Std(int sti, int stk, std::uint32_t istdBase, int istdNext, const QString& name,
               const QByteArray& upxs, int cupx) {
    DocByteWriter out;
    out.U16(static_cast<std::uint32_t>(sti));
    out.U16(static_cast<std::uint32_t>(stk) | (istdBase << 4));
    out.U16(static_cast<std::uint32_t>(cupx) | (static_cast<std::uint32_t>(istdNext) << 4));
    out.U16(0); // bchUpe, filled in below
    out.U16(0); // flags
    out.U16(static_cast<std::uint32_t>(name.size()));
    out.Utf16(name);
    out.U16(0);
    out.Bytes(upxs);
    out.PutU16At(6, static_cast<std::uint32_t>(out.Size()));
    return out.Take();
}

} // namespace

QByteArray DocStyleSheet::Build(int asciiFont, int eastAsianFont) {
    DocByteWriter out;
    // STSHI: only the Stshif part, as Word 97 writes it.
    out.U16(18);
    out.U16(kFixedStyles);                              // cstd
    out.U16(10);                                        // cbSTDBaseInFile
    out.U16(1);                                         // fStdStylenamesWritten
    out.U16(0x5B);                                      // stiMaxWhenSaved
    out.U16(kFixedStyles);                              // istdMaxFixedWhenSaved
    out.U16(0);                                         // nVerBuiltInNamesWhenSaved
    out.U16(static_cast<std::uint32_t>(asciiFont));     // ftcAsci
    out.U16(static_cast<std::uint32_t>(eastAsianFont)); // ftcFE
    out.U16(static_cast<std::uint32_t>(asciiFont));     // ftcOther

    // Normal: 10.5 pt, Times New Roman for Latin text, 宋体 for Chinese, Chinese (PRC) as the East
    // Asian language.
    DocByteWriter papx;
    papx.U16(0); // istd
    DocByteWriter chpx;
    chpx.U16(DocSprm::CRgFtc0);
    chpx.U16(static_cast<std::uint32_t>(asciiFont));
    chpx.U16(DocSprm::CRgFtc1);
    chpx.U16(static_cast<std::uint32_t>(eastAsianFont));
    chpx.U16(DocSprm::CRgFtc2);
    chpx.U16(static_cast<std::uint32_t>(asciiFont));
    chpx.U16(DocSprm::CHps);
    chpx.U16(21);
    chpx.U16(DocSprm::CHpsBi);
    chpx.U16(21);
    chpx.U16(DocSprm::CRgLid0);
    chpx.U16(0x0409);
    chpx.U16(DocSprm::CRgLid1);
    chpx.U16(0x0804);

    const QByteArray normal = Std(kStiNormal, kStkParagraph, kIstdNil, 0, QStringLiteral("Normal"),
                                  Upx(papx.Data()) + Upx(chpx.Data()), 2);
    const QByteArray defaultFont = Std(kStiDefaultParagraphFont, kStkCharacter, kIstdNil, 10,
                                       QStringLiteral("Default Paragraph Font"), Upx(QByteArray()), 1);
    for (int istd = 0; istd < kFixedStyles; ++istd) {
        const QByteArray std = istd == 0 ? normal : istd == 10 ? defaultFont : QByteArray();
        out.U16(static_cast<std::uint32_t>(std.size()));
        out.Bytes(std);
    }
    return out.Take();
}

} // namespace Word
