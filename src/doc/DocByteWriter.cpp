#include "doc/DocByteWriter.h"

#include <QString>

namespace Word {

void DocByteWriter::U16(std::uint32_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
    m_data.append(bytes, 2);
}

void DocByteWriter::U32(std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    m_data.append(bytes, 4);
}

void DocByteWriter::U64(std::uint64_t value) {
    U32(static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    U32(static_cast<std::uint32_t>(value >> 32));
}

void DocByteWriter::Utf16(const QString& text) {
    for (const QChar c : text)
        U16(c.unicode());
}

void DocByteWriter::PadTo(qsizetype boundary) {
    const qsizetype rest = m_data.size() % boundary;
    if (rest != 0)
        Zeros(boundary - rest);
}

void DocByteWriter::PutU16At(qsizetype offset, std::uint32_t value) {
    m_data[offset] = static_cast<char>(value & 0xFF);
    m_data[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void DocByteWriter::PutU32At(qsizetype offset, std::uint32_t value) {
    PutU16At(offset, value & 0xFFFF);
    PutU16At(offset + 2, value >> 16);
}

} // namespace Word
