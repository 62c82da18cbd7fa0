#include "doc/DocFontTable.h"

#include "doc/DocByteWriter.h"

namespace Word {

namespace {

constexpr int kCharsetAnsi = 0;
constexpr int kCharsetSymbol = 2;
constexpr int kCharsetDefault = 1;
constexpr int kCharsetGb2312 = 0x86;

struct KnownFont {
    const char16_t* name;
    const char16_t* altName;
};

// Chinese fonts go into the table with their English name as the alternate, so that a reader on a
// system with other font names still finds them, and with the GB2312 charset.
constexpr KnownFont kChineseFonts[] = {
    {u"宋体", u"SimSun"},
    {u"新宋体", u"NSimSun"},
    {u"黑体", u"SimHei"},
    {u"楷体", u"KaiTi"},
    {u"楷体_GB2312", u"KaiTi_GB2312"},
    {u"仿宋", u"FangSong"},
    {u"仿宋_GB2312", u"FangSong_GB2312"},
    {u"微软雅黑", u"Microsoft YaHei"},
    {u"隶书", u"LiSu"},
    {u"幼圆", u"YouYuan"},
};

bool IsAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace

DocFontTable::DocFontTable() {
    m_fonts.push_back({QStringLiteral("Times New Roman"), QString(), kCharsetAnsi, 1});
    m_fonts.push_back({QStringLiteral("Symbol"), QString(), kCharsetSymbol, 1});
    m_fonts.push_back({QStringLiteral("Arial"), QString(), kCharsetAnsi, 2});
    m_fonts.push_back({QStringLiteral("宋体"), QStringLiteral("SimSun"), kCharsetGb2312, 0});
}

int DocFontTable::IndexOf(const QString& name) {
    if (name.isEmpty())
        return AsciiDefault();
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        if (m_fonts[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    Font font{name, QString(), IsAscii(name) ? kCharsetAnsi : kCharsetDefault, 0};
    for (const KnownFont& known : kChineseFonts) {
        const QString chinese = QString::fromUtf16(known.name), english = QString::fromUtf16(known.altName);
        if (name == chinese) {
            font.altName = english;
            font.charset = kCharsetGb2312;
        } else if (name.compare(english, Qt::CaseInsensitive) == 0) {
            font.charset = kCharsetGb2312;
        }
    }
    m_fonts.push_back(font);
    return static_cast<int>(m_fonts.size()) - 1;
}

QByteArray DocFontTable::Serialize() const {
    DocByteWriter out;
    out.U16(static_cast<std::uint32_t>(m_fonts.size()));
    out.U16(0); // cbExtra
    for (const Font& font : m_fonts) {
        // Face names are at most 31 characters (LOGFONT), which keeps the FFN within its one-byte length.
        QString names = font.name.left(31) + QChar(0);
        const int altIndex = font.altName.isEmpty() ? 0 : static_cast<int>(names.size());
        if (!font.altName.isEmpty())
            names += font.altName.left(31) + QChar(0);
        const int size = 39 + 2 * static_cast<int>(names.size());
        out.U8(static_cast<std::uint32_t>(size)); // length of the FFN that follows
        // ffid: variable pitch (prq 2), TrueType, family.
        out.U8(0x02 | 0x04 | static_cast<std::uint32_t>(font.family << 4));
        out.U16(400); // wWeight: normal
        out.U8(static_cast<std::uint32_t>(font.charset));
        out.U8(static_cast<std::uint32_t>(altIndex));
        out.Zeros(10); // PANOSE: unknown
        out.Zeros(24); // FONTSIGNATURE: unknown
        out.Utf16(names);
    }
    return out.Take();
}

} // namespace Word
