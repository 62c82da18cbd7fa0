#pragma once

#include <QByteArray>
#include <QString>

namespace Template {

// A linear pass over an XML part's bytes before any XML reader sees them. It refuses what would make
// reading it cost more than linear time or what no Word document has: a document type declaration,
// bytes that are not an ASCII-compatible encoding (UTF-16 or UTF-32 need NUL bytes), elements nested
// deeper than Limits::kDepth, more than Limits::kAttributes attributes on one element, more than
// Limits::kDeclarations namespace declarations in scope. Malformed XML is left to the reader.
class MarkupScan {
public:
    // Throws TemplateError naming `partName`.
    static void Check(const QByteArray& xml, const QString& partName);

private:
    struct Tag {
        qsizetype end = 0; // just behind the '>'
        int attributes = 0;
        int declarations = 0;
        bool empty = false; // "/>"
    };
    static Tag ReadStartTag(const QByteArray& xml, qsizetype from);
};

} // namespace Template
