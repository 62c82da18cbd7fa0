#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace Word {

// The font table of a .doc file (SttbfFfn, [MS-DOC] 2.9.279): the fonts Word expects in every
// document, 宋体 as the East Asian default, and every further font the text asks for.
class DocFontTable {
public:
    DocFontTable();

    // Index of the font (ftc), added on first use; an empty name means the ASCII default.
    int IndexOf(const QString& name);

    int AsciiDefault() const { return 0; }     // Times New Roman
    int EastAsianDefault() const { return 3; } // 宋体 (SimSun)

    int Count() const { return static_cast<int>(m_fonts.size()); }
    QByteArray Serialize() const;

private:
    struct Font {
        QString name;
        QString altName;
        int charset = 0; // 0 ANSI, 2 symbol, 0x86 GB2312, 1 default
        int family = 0;  // ff: 1 roman, 2 swiss, 0 don't care
    };

    std::vector<Font> m_fonts;
};

} // namespace Word
