#include "template/MarkupScan.h"

#include "template/TemplateError.h"
#include "template/TemplateLimits.h"

#include <algorithm>
#include <vector>

namespace Template {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The end of a construct that runs to `terminator`, or the end of the bytes.
qsizetype Skip(const QByteArray& xml, qsizetype from, const char* terminator) {
    const qsizetype found = xml.indexOf(terminator, from);
    return found < 0 ? xml.size() : found + qsizetype(qstrlen(terminator));
}

} // namespace

MarkupScan::Tag MarkupScan::ReadStartTag(const QByteArray& xml, qsizetype from) {
    Tag tag;
    qsizetype name = -1; // where the last name began: an attribute's at its '='
    bool fresh = false;  // the next name character begins a name
    for (qsizetype i = from; i < xml.size(); ++i) {
        const char c = xml[i];
        if (c == '"' || c == '\'') { // a value: on to its closing quote
            const qsizetype closing = xml.indexOf(c, i + 1);
            i = closing < 0 ? xml.size() : closing;
            fresh = true;
        } else if (c == '>') {
            tag.end = i + 1;
            tag.empty = xml[i - 1] == '/';
            return tag;
        } else if (c == '=') {
            const qsizetype start = name < 0 ? i : name;
            const QByteArrayView attribute =
                QByteArrayView(xml).sliced(start, std::min<qsizetype>(6, xml.size() - start));
            const bool declaration = attribute.startsWith("xmlns") &&
                                     (attribute.size() == 5 || !QChar::isLetterOrNumber(attribute[5]));
            ++(declaration ? tag.declarations : tag.attributes);
            name = -1;
        } else if (IsSpace(c) || c == '/') {
            fresh = true;
        } else if (fresh || name < 0) {
            name = i;
            fresh = false;
        }
    }
    tag.end = xml.size();
    return tag;
}

void MarkupScan::Check(const QByteArray& xml, const QString& partName) {
    if (xml.contains('\0')) {
        throw TemplateError(QStringLiteral("%1 is not XML in UTF-8").arg(partName));
    }
    std::vector<int> declarations; // per open element
    int inScope = 0;
    qsizetype i = 0;
    while ((i = xml.indexOf('<', i)) >= 0) {
        const QByteArrayView rest = QByteArrayView(xml).sliced(i);
        if (rest.startsWith("<!--")) {
            i = Skip(xml, i + 4, "-->");
        } else if (rest.startsWith("<![CDATA[")) {
            i = Skip(xml, i + 9, "]]>");
        } else if (rest.startsWith("<?")) {
            i = Skip(xml, i + 2, "?>");
        } else if (rest.startsWith("<!")) {
            throw TemplateError(
                QStringLiteral("%1 has a document type declaration (DTD), which a Word document never has")
                    .arg(partName));
        } else if (rest.startsWith("</")) {
            i = Skip(xml, i + 2, ">");
            inScope -= declarations.empty() ? 0 : declarations.back();
            if (!declarations.empty()) {
                declarations.pop_back();
            }
        } else {
            const Tag tag = ReadStartTag(xml, i + 1);
            if (tag.attributes > Limits::kAttributes) {
                throw TemplateError(QStringLiteral("%1 has an element with more than %2 attributes")
                                        .arg(partName)
                                        .arg(Limits::kAttributes));
            }
            if (inScope + tag.declarations > Limits::kDeclarations) {
                throw TemplateError(QStringLiteral("%1 has more than %2 namespace declarations in scope")
                                        .arg(partName)
                                        .arg(Limits::kDeclarations));
            }
            if (!tag.empty) {
                declarations.push_back(tag.declarations);
                inScope += tag.declarations;
            }
            if (declarations.size() > std::size_t(Limits::kDepth)) {
                throw TemplateError(
                    QStringLiteral("%1 nests elements more than %2 deep").arg(partName).arg(Limits::kDepth));
            }
            i = tag.end;
        }
    }
}

} // namespace Template
