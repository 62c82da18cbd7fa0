#pragma once

#include <QByteArray>
#include <QString>

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
// comments and processing instructions. An element keeps only which of the namespaces the filling
// looks for it is in, not its namespace's name: a template may give a long one to many elements.
struct XmlNode {
    enum class Kind : unsigned char { Element, Text, Cdata, Comment, Instruction };
    enum class Space : unsigned char { Other, W, WP }; // WordprocessingML, its drawing namespace

    struct Attribute {
        QString qualifiedName; // also "xmlns" or "xmlns:PREFIX" for a namespace declaration
        QString value;
    };

    Kind kind = Kind::Element;
    Space space = Space::Other;
    QString qualifiedName;             // Element; Instruction: its target
    std::vector<Attribute> attributes; // the namespace declarations first
    QString text;                      // Text, Cdata, Comment, Instruction data
    std::vector<XmlNode> children;
    std::vector<TextCut> cuts; // w:t elements that hold part of a tag, in text order
    bool varies = true;        // of a record row: written differently from record to record

    bool IsElement(Space elementSpace, const char* localName) const;
    // The text of the Text and Cdata children.
    QString Text() const;

    // Reads the element at the reader's StartElement up to its end. Throws TemplateError when the
    // XML is malformed or the element holds more than Limits::kUnitItems elements, attributes and
    // texts. Nesting is bounded by MarkupScan, which every part has passed.
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
    // Reads a whole part (which has passed MarkupScan) and throws TemplateError where CheckToken does.
    static void CheckWhole(const QByteArray& xml, const QString& partName);
};

} // namespace Template
