#pragma once

#include <QByteArray>

#include <cstdint>

namespace Word {

// Appends little-endian integers and raw bytes to a growing buffer: every structure of the binary
// Word format and of the compound file around it is little-endian and packed.
class DocByteWriter {
public:
    DocByteWriter() = default;
    explicit DocByteWriter(qsizetype reserve) { m_data.reserve(reserve); }

    void U8(std::uint32_t value) { m_data.append(static_cast<char>(value & 0xFF)); }
    void U16(std::uint32_t value);
    void U32(std::uint32_t value);
    void U64(std::uint64_t value);
    void I16(std::int32_t value) { U16(static_cast<std::uint32_t>(value) & 0xFFFF); }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void Bytes(const QByteArray& bytes) { m_data.append(bytes); }
    void Bytes(const char* data, qsizetype size) { m_data.append(data, size); }
    void Utf16(const QString& text); // UTF-16LE code units, no terminator
    void Zeros(qsizetype count) { m_data.append(count, '\0'); }
    // Pads with zeros to the next multiple of `boundary` (a no-op on a boundary).
    void PadTo(qsizetype boundary);

    void PutU16At(qsizetype offset, std::uint32_t value);
    void PutU32At(qsizetype offset, std::uint32_t value);

    qsizetype Size() const { return m_data.size(); }
    const QByteArray& Data() const { return m_data; }
    QByteArray Take() { return std::move(m_data); }

private:
    QByteArray m_data;
};

} // namespace Word
