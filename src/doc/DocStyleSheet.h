#pragma once

#include <QByteArray>

namespace Word {

// The style sheet of a .doc file (STSH, [MS-DOC] 2.9.271). The writer formats every run and
// paragraph directly, so the sheet holds only the styles Word requires: Normal (istd 0) and
// Default Paragraph Font (istd 10); the other fixed slots up to istd 14 stay empty.
class DocStyleSheet {
public:
    // Font indexes into the font table for Normal's ASCII and East Asian text.
    static QByteArray Build(int asciiFont, int eastAsianFont);
};

} // namespace Word
