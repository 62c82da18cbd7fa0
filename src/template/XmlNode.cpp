#include "template/XmlNode.h"

#include "docx/DocxNamespaces.h"
#include "template/TemplateError.h"
#include "template/TemplateLimits.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Template {

namespace {

XmlNode ElementFrom(const QXmlStreamReader& reader) {
    XmlNode node;
    const QStringView uri = reader.namespaceUri();
    node.space = uri == Word::Ns::W    ? XmlNode::Space::W
                 : uri == Word::Ns::WP ? XmlNode::Space::WP
                                       : XmlNode::Space::Other;
    node.qualifiedName = reader.qualifiedName().toString();
    const QXmlStreamNamespaceDeclarations declarations = reader.namespaceDeclarations();
    const QXmlStreamAttributes attributes = reader.attributes();
    node.attributes.reserve(std::size_t(declarations.size() + attributes.size()));
    for (const QXmlStreamNamespaceDeclaration& declaration : declarations) {
        node.attributes.push_back({declaration.prefix().isEmpty()
                                       ? QStringLiteral("xmlns")
                                       : QStringLiteral("xmlns:") + declaration.prefix().toString(),
                                   declaration.namespaceUri().toString()});
    }
    for (const QXmlStreamAttribute& attribute : attributes) {
        node.attributes.push_back({attribute.qualifiedName().toString(), attribute.value().toString()});
    }
    return node;
}

XmlNode Leaf(XmlNode::Kind kind, QString text, QString target = QString()) {
    XmlNode node;
    node.kind = kind;
    node.text = std::move(text);
    node.qualifiedName = std::move(target);
    return node;
}

} // namespace

bool XmlNode::IsElement(Space elementSpace, const char* localName) const {
    if (kind != Kind::Element || space != elementSpace) {
        return false;
    }
    const qsizetype colon = qualifiedName.indexOf(QLatin1Char(':'));
    return QStringView(qualifiedName).mid(colon + 1) == QLatin1String(localName);
}

QString XmlNode::Text() const {
    QString text;
    for (const XmlNode& child : children) {
        if (child.kind == Kind::Text || child.kind == Kind::Cdata) {
            text += child.text;
        }
    }
    return text;
}

void XmlNode::CheckToken(const QXmlStreamReader& reader, const QString& partName) {
    if (reader.tokenType() == QXmlStreamReader::DTD) {
        throw TemplateError(
            QStringLiteral("%1 has a document type declaration (DTD), which a Word document never has")
                .arg(partName));
    }
    if (reader.tokenType() == QXmlStreamReader::EntityReference) {
        throw TemplateError(QStringLiteral("%1 uses the undeclared entity &%2;")
                                .arg(partName, TemplateError::Quote(reader.name())));
    }
    if (reader.hasError()) {
        throw TemplateError(QStringLiteral("%1 is not well-formed XML (line %2: %3)")
                                .arg(partName)
                                .arg(reader.lineNumber())
                                .arg(TemplateError::Quote(reader.errorString())));
    }
}

void XmlNode::CheckWhole(const QByteArray& xml, const QString& partName) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        CheckToken(reader, partName);
    }
}

XmlNode XmlNode::Read(QXmlStreamReader& reader, const QString& partName) {
    XmlNode root = ElementFrom(reader);
    std::vector<XmlNode*> open{&root};
    qsizetype items = 1 + qsizetype(root.attributes.size());
    while (!open.empty()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        CheckToken(reader, partName);
        XmlNode& parent = *open.back();
        switch (token) {
        case QXmlStreamReader::StartElement:
            parent.children.push_back(ElementFrom(reader));
            open.push_back(&parent.children.back());
            items += qsizetype(parent.children.back().attributes.size());
            break;
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            parent.children.push_back(
                Leaf(reader.isCDATA() ? Kind::Cdata : Kind::Text, reader.text().toString()));
            break;
        case QXmlStreamReader::Comment:
            parent.children.push_back(Leaf(Kind::Comment, reader.text().toString()));
            break;
        case QXmlStreamReader::ProcessingInstruction:
            parent.children.push_back(Leaf(Kind::Instruction, reader.processingInstructionData().toString(),
                                           reader.processingInstructionTarget().toString()));
            break;
        default:
            throw TemplateError(QStringLiteral("%1 ends inside an element").arg(partName));
        }
        if (token != QXmlStreamReader::EndElement && ++items > Limits::kUnitItems) {
            throw TemplateError(
                QStringLiteral(
                    "%1 has a paragraph or table row of more than %2 XML elements, attributes and texts")
                    .arg(partName)
                    .arg(Limits::kUnitItems));
        }
    }
    return root;
}

void XmlNode::WriteStart(QXmlStreamWriter& writer) const {
    writer.writeStartElement(qualifiedName);
    for (const Attribute& attribute : attributes) {
        writer.writeAttribute(attribute.qualifiedName, attribute.value);
    }
}

void XmlNode::Write(QXmlStreamWriter& writer) const {
    switch (kind) {
    case Kind::Element:
        WriteStart(writer);
        for (const XmlNode& child : children) {
            child.Write(writer);
        }
        writer.writeEndElement();
        break;
    case Kind::Text:
        writer.writeCharacters(text);
        break;
    case Kind::Cdata:
        writer.writeCDATA(text);
        break;
    case Kind::Comment:
        writer.writeComment(text);
        break;
    case Kind::Instruction:
        writer.writeProcessingInstruction(qualifiedName, text);
        break;
    }
}

void XmlNode::CopyToken(QXmlStreamReader& reader, QXmlStreamWriter& writer, const QString& partName) {
    CheckToken(reader, partName);
    switch (reader.tokenType()) {
    case QXmlStreamReader::StartDocument:
        writer.writeStartDocument(reader.documentVersion().isEmpty() ? QStringLiteral("1.0")
                                                                     : reader.documentVersion().toString(),
                                  reader.isStandaloneDocument());
        break;
    case QXmlStreamReader::EndDocument:
        writer.writeEndDocument();
        break;
    case QXmlStreamReader::StartElement:
        ElementFrom(reader).WriteStart(writer);
        break;
    case QXmlStreamReader::EndElement:
        writer.writeEndElement();
        break;
    case QXmlStreamReader::Characters:
        if (reader.isCDATA()) {
            writer.writeCDATA(reader.text().toString());
        } else {
            writer.writeCharacters(reader.text().toString());
        }
        break;
    case QXmlStreamReader::Comment:
        writer.writeComment(reader.text().toString());
        break;
    case QXmlStreamReader::ProcessingInstruction:
        writer.writeProcessingInstruction(reader.processingInstructionTarget().toString(),
                                          reader.processingInstructionData().toString());
        break;
    default:
        break;
    }
}

} // namespace Template
