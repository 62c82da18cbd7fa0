#include "wordfile/TextSanitizer.h"

namespace Word {

QString TextSanitizer::MakeSafe(const QString& text) {
    static const QChar replacement(0xFFFD);
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'\r') {
            result += QChar(u'\n');
            if (i + 1 < size && text.at(i + 1) == QChar(u'\n'))
                ++i;
        } else if (u == u'\t' || u == u'\n') {
            result += c;
        } else if (u < 0x20 || u == 0xFFFE || u == 0xFFFF) {
            result += replacement;
        } else if (c.isHighSurrogate()) {
            if (i + 1 < size && text.at(i + 1).isLowSurrogate()) {
                result += c;
                result += text.at(i + 1);
                ++i;
            } else {
                result += replacement;
            }
        } else if (c.isLowSurrogate()) {
            result += replacement;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace Word
