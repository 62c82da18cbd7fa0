#pragma once

#include <QString>

namespace Word {

// Makes typed text safe for every file format the document is written in: XML 1.0 forbids the C0
// controls other than tab, LF and CR, U+FFFE, U+FFFF and unpaired surrogates, and Word refuses a file
// that holds them raw or as character references. Each of them becomes U+FFFD. CR LF and a lone CR
// become '\n', the line break.
class TextSanitizer {
public:
    static QString MakeSafe(const QString& text);
};

} // namespace Word
