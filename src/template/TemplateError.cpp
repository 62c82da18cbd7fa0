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

QString TemplateError::Quote(QStringView text) {
    const bool cut = text.size() > Limits::kQuoted;
    QStringView shown = text.left(Limits::kQuoted);
    if (cut && shown.back().isHighSurrogate()) {
        shown.chop(1); // never half a character
    }
    QString quoted;
    quoted.reserve(shown.size() + 1);
    for (const QChar c : shown) {
        if (Hidden(c.unicode())) {
            quoted += QStringLiteral("\\u") +
                      QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    return cut ? quoted + QStringLiteral("…") : quoted;
}

} // namespace Template
