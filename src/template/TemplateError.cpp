#include "template/TemplateError.h"

#include "template/TemplateLimits.h"

namespace Template {

namespace {

// Characters that a terminal or a message box would act on instead of showing: C0 and C1 controls
// and the bidirectional formatting marks, which reorder what follows them.
bool Hidden(char16_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x200e || c == 0x200f ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x061c || c == 0x2028 ||
           c == 0x2029 || c == 0xfeff;
}

} // namespace

// The quote is at most Limits::kQuoted characters long, escapes included, so that a run of control
// characters cannot make a long line either.
QString TemplateError::Quote(QStringView text) {
    QString quoted;
    qsizetype i = 0;
    for (; i < text.size() && quoted.size() < Limits::kQuoted; ++i) {
        const QChar c = text[i];
        if (Hidden(c.unicode())) {
            quoted += QStringLiteral("\\u") +
                      QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        } else if (c.isHighSurrogate() && i + 1 < text.size()) {
            quoted += c; // never half a character
            quoted += text[++i];
        } else {
            quoted += c;
        }
    }
    return i < text.size() ? quoted + QStringLiteral("…") : quoted;
}

} // namespace Template
