#include "template/XmlNode.h"

#include "template/TemplateError.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Template {

namespace {

// Word nests a few dozen levels at most (tables in text boxes in tables); far deeper input is hostile.
constexpr int kMaxDepth = 256;

void WriteNamespaces(QXmlStreamWriter& writer, const QXmlStreamNamespaceDeclarations& namespaces) {
    for (const QXmlStreamNamespaceDeclaration& declaration : namespaces) {
        const QString prefix = declaration.prefix().toString();
        writer.writeAttribute(prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix,
                              declaration.namespaceUri().toString());
    }
}

void WriteAttributes(QXmlStreamWriter& writer, const QXmlStreamAttributes& attributes) {
    for (const QXmlStreamAttribute& attribute : attributes) {
        writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
    }
}

XmlNode ElementFrom(const QXmlStreamReader& reader) {
    XmlNode node;
    node.qualifiedName = reader.qualifiedName().toString();
    node.namespaceUri = reader.namespaceUri().toString();
    node.name = reader.name().toString();
    node.namespaces = reader.namespaceDeclarations();
    node.attributes = reader.attributes();
    return node;
}

} // namespace

bool XmlNode::IsElement(const QString& uri, const char* localName) const {
    return kind == Kind::Element && name == QLatin1String(localName) && namespaceUri == uri;
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
        throw TemplateError(
            QStringLiteral("%1 uses the undeclared entity &%2;").arg(partName, reader.name().toString()));
    }
    if (reader.hasError()) {
        throw TemplateError(QStringLiteral("%1 is not well-formed XML (line %2: %3)")
                                .arg(partName)
                                .arg(reader.lineNumber())
                                .arg(reader.errorString()));
    }
}

XmlNode XmlNode::Read(QXmlStreamReader& reader, const QString& partName) {
    XmlNode root = ElementFrom(reader);
    std::vector<XmlNode*> open{&root};
    while (!open.empty()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        CheckToken(reader, partName);
        XmlNode& parent = *open.back();
        switch (token) {
        case QXmlStreamReader::StartElement:
            if (open.size() >= kMaxDepth) {
                throw TemplateError(
                    QStringLiteral("%1 nests elements more than %2 deep").arg(partName).arg(kMaxDepth));
            }
            parent.children.push_back(ElementFrom(reader));
            open.push_back(&parent.children.back());
            break;
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters: {
            XmlNode text;
            text.kind = reader.isCDATA() ? Kind::Cdata : Kind::Text;
            text.text = reader.text().toString();
            parent.children.push_back(std::move(text));
            break;
        }
        case QXmlStreamReader::Comment: {
            XmlNode comment;
            comment.kind = Kind::Comment;
            comment.text = reader.text().toString();
            parent.children.push_back(std::move(comment));
            break;
        }
        case QXmlStreamReader::ProcessingInstruction: {
            XmlNode instruction;
            instruction.kind = Kind::Instruction;
            instruction.qualifiedName = reader.processingInstructionTarget().toString();
            instruction.text = reader.processingInstructionData().toString();
            parent.children.push_back(std::move(instruction));
            break;
        }
        default:
            throw TemplateError(QStringLiteral("%1 ends inside an element").arg(partName));
        }
    }
    return root;
}

void XmlNode::WriteStart(QXmlStreamWriter& writer) const {
    writer.writeStartElement(qualifiedName);
    WriteNamespaces(writer, namespaces);
    WriteAttributes(writer, attributes);
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
