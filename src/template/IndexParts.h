#pragma once

#include "template/PicturePlacer.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <vector>

namespace Template {

// The package's index parts that the new pictures change: the document's relationships and the
// content types. Each is small; it is read whole, copied as it is and the new entries appended in
// the namespace of its root element, with the root's own prefix. Throws TemplateError for XML that
// is not well-formed, has a DTD or whose root is not the part's root element.
class IndexParts {
public:
    // The Id of every relationship in a relationships part.
    static QSet<QString> RelationshipIds(const QByteArray& relationships, const QString& partName);
    // The relationships part with one image relationship per picture; `relationships` may be empty
    // (a template without relationships of its own).
    static QByteArray AddPictures(const QByteArray& relationships,
                                  const std::vector<PicturePlacer::Media>& media, const QString& partName);
    // [Content_Types].xml with a Default for each picture extension it does not have yet, and an
    // Override for each picture whose extension it gives another content type.
    static QByteArray AddDefaults(const QByteArray& contentTypes,
                                  const std::vector<PicturePlacer::Media>& media);
    // The extensions (lower case) and the part names (case-folded) that [Content_Types].xml gives an
    // XML content type.
    static void XmlPartsOf(const QByteArray& contentTypes, QSet<QString>* extensions, QSet<QString>* parts);
};

} // namespace Template
