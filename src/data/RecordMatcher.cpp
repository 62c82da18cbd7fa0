#include "data/RecordMatcher.h"

#include "data/Utf8ToWide.h"

#include <cstring>

namespace Data {

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// True when the three bytes at p are a well-formed character that case folding leaves alone:
// CJK and kana (U+3000-U+9FFF), general punctuation (U+2000-U+203F), ℃, and the fullwidth
// punctuation around the fullwidth Latin letters.
bool IsCaselessTriple(const unsigned char* p) {
    if (!IsContinuation(p[1]) || !IsContinuation(p[2])) {
        return false;
    }
    const unsigned codePoint = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    if (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return false;
    }
    return (codePoint >= 0x3000 && codePoint <= 0x9FFF) || (codePoint >= 0x2000 && codePoint <= 0x203F) ||
           codePoint == 0x2103 || (codePoint >= 0xFF00 && codePoint <= 0xFF20) ||
           (codePoint >= 0xFF3B && codePoint <= 0xFF40) || (codePoint >= 0xFF5B && codePoint <= 0xFF65);
}

// Whether a byte comparison with ASCII folding finds exactly what a search of the decoded,
// case-folded text finds: every character is ASCII or one that folding and decoding leave alone.
bool IsPlain(const char* cell, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(cell);
    const unsigned char* end = p + length;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
        } else if (*p == 0xC2 && p + 1 < end && IsContinuation(p[1]) && p[1] != 0xB5) {
            p += 2; // U+0080-U+00BF except µ, which folds to μ
        } else if ((*p & 0xF0) == 0xE0 && end - p >= 3 && IsCaselessTriple(p)) {
            p += 3;
        } else {
            return false;
        }
    }
    return true;
}

// IsPlain for a C string.
bool IsPlain(const char* cell) {
    return IsPlain(cell, std::strlen(cell));
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The needle's bytes after its first, against the cell from p, ASCII letters in either case.
bool RestMatches(const char* p, const char* needle, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i) {
        if (p[i] == '\0' || LowerAscii(p[i]) != needle[i]) {
            return false;
        }
    }
    return true;
}

// Up to this length the needle is looked for at each place its first byte occurs; a longer one
// with memmem, which stays linear however the cell and the needle repeat themselves.
constexpr qsizetype kShortNeedle = 32;

} // namespace

RecordMatcher::RecordMatcher(const QString& text)
    : m_text(text), m_needle(text.toCaseFolded().toUtf8()), m_hasNul(m_needle.contains('\0')),
      m_longNeedle(m_needle) {}

bool RecordMatcher::Matches(const char* cell) const {
    if (m_needle.isEmpty()) {
        return true;
    }
    // A cell is a C string: it never holds U+0000, so a text with one matches nothing.
    if (cell == nullptr || m_hasNul) {
        return false;
    }
    if (FindFolded(cell)) {
        return true;
    }
    if (IsPlain(cell)) {
        return false;
    }
    return Utf8ToWide(cell).contains(m_text, Qt::CaseInsensitive);
}

bool RecordMatcher::FindFolded(const char* cell) const {
    const char* needle = m_needle.constData();
    const qsizetype length = m_needle.size();
    if (length > kShortNeedle) {
        m_lower.assign(cell);
        for (char& c : m_lower) {
            c = LowerAscii(c);
        }
        return m_longNeedle.indexIn(m_lower.data(), static_cast<qsizetype>(m_lower.size())) >= 0;
    }
    const char first = needle[0];
    if (first >= 'a' && first <= 'z') {
        const char both[] = {first, static_cast<char>(first - 'a' + 'A'), '\0'};
        for (const char* p = std::strpbrk(cell, both); p != nullptr; p = std::strpbrk(p + 1, both)) {
            if (RestMatches(p + 1, needle + 1, length - 1)) {
                return true;
            }
        }
        return false;
    }
    for (const char* p = std::strchr(cell, first); p != nullptr; p = std::strchr(p + 1, first)) {
        if (RestMatches(p + 1, needle + 1, length - 1)) {
            return true;
        }
    }
    return false;
}

bool RecordMatcher::MatchesRecord(const ResultTableView& table, int row) const {
    if (m_needle.isEmpty()) {
        return true;
    }
    for (int column = 0; column < table.columns; ++column) {
        if (Matches(table.Cell(row, column))) {
            return true;
        }
    }
    return false;
}

bool RecordMatcher::Narrows(const RecordMatcher& previous) const {
    return m_text.contains(previous.m_text, Qt::CaseInsensitive);
}

} // namespace Data
