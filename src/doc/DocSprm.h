#pragma once

#include <cstdint>

// Property modifiers (sprms) of the Word binary format that the .doc writer emits, by their
// [MS-DOC] 2.6 names. The top three bits of an opcode give the operand size (spra).
namespace Word::DocSprm {

// Character properties ([MS-DOC] 2.6.1).
constexpr std::uint16_t CFBold = 0x0835;
constexpr std::uint16_t CFItalic = 0x0836;
constexpr std::uint16_t CFBoldBi = 0x085C;
constexpr std::uint16_t CFItalicBi = 0x085D;
constexpr std::uint16_t CFSpec = 0x0855;
constexpr std::uint16_t CKul = 0x2A3E;
constexpr std::uint16_t CIco = 0x2A42;
constexpr std::uint16_t CHps = 0x4A43;
constexpr std::uint16_t CHpsBi = 0x4A61;
constexpr std::uint16_t CRgFtc0 = 0x4A4F; // ASCII font
constexpr std::uint16_t CRgFtc1 = 0x4A50; // East Asian font
constexpr std::uint16_t CRgFtc2 = 0x4A51; // other characters
constexpr std::uint16_t CRgLid0 = 0x486D;
constexpr std::uint16_t CRgLid1 = 0x486E;
constexpr std::uint16_t CCv = 0x6870;
constexpr std::uint16_t CPicLocation = 0x6A03;

// Paragraph properties ([MS-DOC] 2.6.2).
constexpr std::uint16_t PJc80 = 0x2403;
constexpr std::uint16_t PJc = 0x2461;
constexpr std::uint16_t PFInTable = 0x2416;
constexpr std::uint16_t PFTtp = 0x2417;
constexpr std::uint16_t PItap = 0x6649;

// Table properties ([MS-DOC] 2.6.4), carried by the row-end mark.
constexpr std::uint16_t TDxaGapHalf = 0x9602;
constexpr std::uint16_t TDefTable = 0xD608;
constexpr std::uint16_t TTableBorders80 = 0xD605;
constexpr std::uint16_t TSetBrc80 = 0xD620;

// Section properties ([MS-DOC] 2.6.3).
constexpr std::uint16_t SBkc = 0x3009;
constexpr std::uint16_t SBOrientation = 0x301D;
constexpr std::uint16_t SXaPage = 0xB01F;
constexpr std::uint16_t SYaPage = 0xB020;
constexpr std::uint16_t SDxaLeft = 0xB021;
constexpr std::uint16_t SDxaRight = 0xB022;
constexpr std::uint16_t SDyaTop = 0x9023;
constexpr std::uint16_t SDyaBottom = 0x9024;
constexpr std::uint16_t SDyaHdrTop = 0xB017;
constexpr std::uint16_t SDyaHdrBottom = 0xB018;

} // namespace Word::DocSprm
