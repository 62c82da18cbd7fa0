#include "template/IndexParts.h"

#include "docx/DocxNamespaces.h"
#include "template/MarkupOutput.h"
#include "template/TemplateError.h"
#include "template/XmlNode.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace Template {

namespace {

const QString kContentTypesName = QStringLiteral("[Content_Types].xml");

struct Root {
    const QString& uri;
    const char* name;
};

// Copies `xml`, whose root must be `root`, and calls `append` with the root's prefix ("" or "p:")
// just before the root element closes. `inspect` sees the root's children in its namespace.
QByteArray CopyWithAppended(const QByteArray& xml, const QString& partName, Root root,
                            const std::function<void(MarkupOutput&, const QString&)>& append,
                            const std::function<void(const QXmlStreamReader&)>& inspect = {}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    MarkupOutput out(&buffer, partName);
    QXmlStreamReader reader(xml);
    QString prefix;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        XmlNode::CheckToken(reader, partName);
        if (reader.isStartElement() && ++depth == 1) {
            if (reader.namespaceUri() != root.uri || reader.name() != QLatin1String(root.name)) {
                throw TemplateError(QStringLiteral("the root element of %1 is not %2 of the namespace %3")
                                        .arg(partName, QLatin1String(root.name), root.uri));
            }
            prefix = reader.prefix().isEmpty() ? QString() : reader.prefix().toString() + QLatin1Char(':');
        } else if (reader.isStartElement() && depth == 2 && inspect && reader.namespaceUri() == root.uri) {
            inspect(reader);
        } else if (reader.isEndElement() && --depth == 0) {
            append(out, prefix);
        }
        XmlNode::CopyToken(reader, out.Xml(), partName);
    }
    out.Check();
    return bytes;
}

QString AttributeOf(const QXmlStreamReader& reader, const char* name) {
    return reader.attributes().value(QLatin1String(name)).toString();
}

} // namespace

QSet<QString> IndexParts::RelationshipIds(const QByteArray& relationships, const QString& partName) {
    QSet<QString> ids;
    CopyWithAppended(
        relationships, partName, {Word::Ns::PackageRelationships, "Relationships"},
        [](MarkupOutput&, const QString&) {},
        [&](const QXmlStreamReader& reader) {
            if (reader.name() == QLatin1String("Relationship")) {
                ids.insert(AttributeOf(reader, "Id"));
            }
        });
    return ids;
}

QByteArray IndexParts::AddRelationships(const QByteArray& relationships, const std::vector<Added>& added,
                                        const QString& partName) {
    // One relationship per part: composed, not written call by call (each writer call costs
    // about as much as copying a kilobyte). Ids, types, targets and the root's prefix are names,
    // which XML needs no escape for.
    const auto append = [&](MarkupOutput& out, const QString& prefix) {
        const QByteArray start = '<' + prefix.toUtf8() + "Relationship Id=\"";
        QByteArray markup;
        for (const Added& part : added) {
            if (!part.relationshipId.isEmpty()) {
                markup += start + part.relationshipId.toUtf8() + "\" Type=\"" +
                          part.relationshipType.toUtf8() + "\" Target=\"" + part.target.toUtf8() + "\"/>";
            }
        }
        out.AppendMarkup(markup);
    };
    if (!relationships.isEmpty()) {
        return CopyWithAppended(relationships, partName, {Word::Ns::PackageRelationships, "Relationships"},
                                append);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    MarkupOutput out(&buffer, partName);
    out.Xml().writeStartDocument(QStringLiteral("1.0"), true);
    out.Xml().writeStartElement(QStringLiteral("Relationships"));
    out.Xml().writeAttribute(QStringLiteral("xmlns"), Word::Ns::PackageRelationships);
    append(out, QString());
    out.Xml().writeEndElement();
    out.Xml().writeEndDocument();
    return bytes;
}

QByteArray IndexParts::AddContentTypes(const QByteArray& contentTypes, const std::vector<Added>& added) {
    QHash<QString, QString> defaults; // extension -> the template's content type for it
    const auto inspect = [&](const QXmlStreamReader& reader) {
        if (reader.name() == QLatin1String("Default")) {
            defaults.insert(AttributeOf(reader, "Extension").toLower(), AttributeOf(reader, "ContentType"));
        }
    };
    // Defaults and Overrides may come in any order (a repeated choice), so appending is valid.
    const auto append = [&](MarkupOutput& out, const QString& prefix) {
        QXmlStreamWriter& writer = out.Xml();
        QHash<QString, QString> missing; // extension -> the content type of its Default
        for (const Added& part : added) {
            const QString extension =
                part.target.mid(part.target.lastIndexOf(QLatin1Char('.')) + 1).toLower();
            const auto found = defaults.constFind(extension);
            if (found == defaults.constEnd()) {
                missing.insert(extension, part.contentType);
            } else if (found->compare(part.contentType, Qt::CaseInsensitive) != 0) {
                writer.writeEmptyElement(prefix + QStringLiteral("Override"));
                writer.writeAttribute(QStringLiteral("PartName"), QStringLiteral("/word/") + part.target);
                writer.writeAttribute(QStringLiteral("ContentType"), part.contentType);
            }
        }
        QStringList extensions = missing.keys();
        extensions.sort();
        for (const QString& extension : extensions) {
            writer.writeEmptyElement(prefix + QStringLiteral("Default"));
            writer.writeAttribute(QStringLiteral("Extension"), extension);
            writer.writeAttribute(QStringLiteral("ContentType"), missing.value(extension));
        }
    };
    return CopyWithAppended(contentTypes, kContentTypesName, {Word::Ns::ContentTypes, "Types"}, append,
                            inspect);
}

void IndexParts::XmlPartsOf(const QByteArray& contentTypes, QSet<QString>* extensions, QSet<QString>* parts) {
    const auto isXml = [](const QString& type) {
        return type.endsWith(QLatin1String("+xml"), Qt::CaseInsensitive) ||
               type.endsWith(QLatin1String("/xml"), Qt::CaseInsensitive);
    };
    CopyWithAppended(
        contentTypes, kContentTypesName, {Word::Ns::ContentTypes, "Types"},
        [](MarkupOutput&, const QString&) {},
        [&](const QXmlStreamReader& reader) {
            if (!isXml(AttributeOf(reader, "ContentType"))) {
                return;
            }
            if (reader.name() == QLatin1String("Default")) {
                extensions->insert(AttributeOf(reader, "Extension").toLower());
            } else if (reader.name() == QLatin1String("Override")) {
                parts->insert(AttributeOf(reader, "PartName").toCaseFolded());
            }
        });
}

} // namespace Template
