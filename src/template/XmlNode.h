#pragma once

#include <QString>
#include <QXmlStreamAttributes>
#include <QXmlStreamNamespaceDeclarations>

#include <vector>

class QXmlStreamReader;
class QXmlStreamWriter;

namespace Template {

// A piece of a w:t element's text that a tag covers: [begin, end) in the element's text. `tag` is the
// index of the tag (in its unit's tag list) whose replacement goes here; -1 where the tag's other
// characters are only removed.
struct TextCut {
    int begin = 0;
    int end = 0;
    int tag = -1;
};

// A buffered XML subtree (a paragraph or a table row of a template part), kept exactly as read:
// qualified names with the template's own prefixes, namespace declarations, attributes, whitespace,
// comments and processing instructions.
struct XmlNode {
    enum class Kind { Element, Text, Cdata, Comment, Instruction };

    Kind kind = Kind::Element;
    QString qualifiedName; // Element; Instruction: its target
    QString namespaceUri;
    QString name; // local name
    QXmlStreamNamespaceDeclarations namespaces;
    QXmlStreamAttributes attributes;
    QString text; // Text, Cdata, Comment, Instruction data
    std::vector<XmlNode> children;
    std::vector<TextCut> cuts; // w:t elements that hold part of a tag, in text order

    bool IsElement(const QString& namespaceUri, const char* localName) const;
    // The text of the Text and Cdata children.
    QString Text() const;

    // Reads the element at the reader's StartElement up to its end. Throws TemplateError when the
    // XML is malformed or nested deeper than any document needs.
    static XmlNode Read(QXmlStreamReader& reader, const QString& partName);

    // Writes an element's start tag as read (prefixes, declarations, attributes).
    void WriteStart(QXmlStreamWriter& writer) const;
    // Writes the whole subtree unchanged.
    void Write(QXmlStreamWriter& writer) const;

    // Writes the reader's current token unchanged (for the parts that stream through). Refuses a
    // document type declaration and unresolved entities: no entity expansion from a template.
    static void CopyToken(QXmlStreamReader& reader, QXmlStreamWriter& writer, const QString& partName);
    // Throws TemplateError when the reader has failed or stands on a DTD or an entity reference.
    static void CheckToken(const QXmlStreamReader& reader, const QString& partName);
};

} // namespace Template
