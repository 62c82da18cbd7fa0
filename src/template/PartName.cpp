#include "template/PartName.h"

#include <QList>
#include <QStringView>

namespace Template {

QString PartName::Problem(const QString& name) {
    if (name.isEmpty()) {
        return QStringLiteral("an entry has no name");
    }
    if (name.front() == QLatin1Char('/') || name.front() == QLatin1Char('\\')) {
        return QStringLiteral("it is an absolute path");
    }
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f) || c == QLatin1Char('\\') ||
            c == QLatin1Char(':') || code == 0xfffd) {
            return QStringLiteral("it holds a character no part name may hold");
        }
    }
    const QStringView folderless = name.endsWith(QLatin1Char('/')) ? QStringView(name).chopped(1) : name;
    for (const QStringView segment : folderless.split(QLatin1Char('/'))) {
        if (segment.isEmpty() || segment == QLatin1String(".") || segment == QLatin1String("..")) {
            return QStringLiteral("it has an empty, \".\" or \"..\" segment");
        }
        if (segment.endsWith(QLatin1Char('.'))) {
            return QStringLiteral("a segment ends in a dot");
        }
    }
    return QString();
}

} // namespace Template
