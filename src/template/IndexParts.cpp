#include "template/IndexParts.h"

#include "docx/DocxNamespaces.h"
#include "template/XmlNode.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace Template {

namespace {

const QString kImageType =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image");

// Copies `xml` and calls `append` just before the root element closes.
QByteArray CopyWithAppended(const QByteArray& xml, const QString& partName,
                            const std::function<void(QXmlStreamWriter&)>& append,
                            const std::function<void(const QXmlStreamReader&)>& inspect = {}) {
    QByteArray out;
    QXmlStreamWriter writer(&out);
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        XmlNode::CheckToken(reader, partName);
        if (reader.isStartElement()) {
            ++depth;
            if (inspect) {
                inspect(reader);
            }
        } else if (reader.isEndElement() && --depth == 0) {
            append(writer);
        }
        XmlNode::CopyToken(reader, writer, partName);
    }
    return out;
}

} // namespace

QSet<QString> IndexParts::RelationshipIds(const QByteArray& relationships, const QString& partName) {
    QSet<QString> ids;
    CopyWithAppended(
        relationships, partName, [](QXmlStreamWriter&) {},
        [&](const QXmlStreamReader& reader) {
            if (reader.name() == QLatin1String("Relationship")) {
                ids.insert(reader.attributes().value(QLatin1String("Id")).toString());
            }
        });
    return ids;
}

QByteArray IndexParts::AddPictures(const QByteArray& relationships,
                                   const std::vector<PicturePlacer::Media>& media, const QString& partName) {
    const auto append = [&](QXmlStreamWriter& writer) {
        for (const PicturePlacer::Media& picture : media) {
            writer.writeEmptyElement(QStringLiteral("Relationship"));
            writer.writeAttribute(QStringLiteral("Id"), picture.relationshipId);
            writer.writeAttribute(QStringLiteral("Type"), kImageType);
            writer.writeAttribute(QStringLiteral("Target"), picture.target);
        }
    };
    if (!relationships.isEmpty()) {
        return CopyWithAppended(relationships, partName, append);
    }
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.writeStartDocument(QStringLiteral("1.0"), true);
    writer.writeStartElement(QStringLiteral("Relationships"));
    writer.writeAttribute(QStringLiteral("xmlns"), Word::Ns::PackageRelationships);
    append(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
    return out;
}

QByteArray IndexParts::AddDefaults(const QByteArray& contentTypes, const QSet<QString>& extensions) {
    QSet<QString> missing = extensions;
    const auto inspect = [&](const QXmlStreamReader& reader) {
        if (reader.name() == QLatin1String("Default")) {
            missing.remove(reader.attributes().value(QLatin1String("Extension")).toString().toLower());
        }
    };
    // Defaults and Overrides may come in any order (a repeated choice), so appending is valid.
    return CopyWithAppended(
        contentTypes, QStringLiteral("[Content_Types].xml"),
        [&](QXmlStreamWriter& writer) {
            QStringList sorted(missing.begin(), missing.end());
            sorted.sort();
            for (const QString& extension : sorted) {
                writer.writeEmptyElement(QStringLiteral("Default"));
                writer.writeAttribute(QStringLiteral("Extension"), extension);
                writer.writeAttribute(QStringLiteral("ContentType"), QStringLiteral("image/") + extension);
            }
        },
        inspect);
}

} // namespace Template
