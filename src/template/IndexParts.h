#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <vector>

namespace Template {

// The package's index parts that the new pictures and charts change: the document's relationships and the
// content types. Each is small; it is read whole, copied as it is and the new entries appended in
// the namespace of its root element, with the root's own prefix. Throws TemplateError for XML that
// is not well-formed, has a DTD or whose root is not the part's root element.
class IndexParts {
public:
    // A part the report adds: the document's relationship to it (none when `relationshipId` is
    // empty) and its content type.
    struct Added {
        QString relationshipId;
        QString relationshipType;
        QString target; // relative to word/, e.g. "media/zolt-picture1.png"
        QString contentType;
    };

    // The Id of every relationship in a relationships part.
    static QSet<QString> RelationshipIds(const QByteArray& relationships, const QString& partName);
    // The relationships part with the added parts' relationships; `relationships` may be empty (a
    // template without relationships of its own).
    static QByteArray AddRelationships(const QByteArray& relationships, const std::vector<Added>& added,
                                       const QString& partName);
    // [Content_Types].xml with a Default for each added part's extension it does not have yet, and
    // an Override for each added part whose extension it gives another content type.
    static QByteArray AddContentTypes(const QByteArray& contentTypes, const std::vector<Added>& added);
    // The extensions (lower case) and the part names (case-folded) that [Content_Types].xml gives an
    // XML content type.
    static void XmlPartsOf(const QByteArray& contentTypes, QSet<QString>* extensions, QSet<QString>* parts);
};

} // namespace Template
