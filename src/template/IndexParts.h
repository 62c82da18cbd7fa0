#pragma once

#include "template/PicturePlacer.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <vector>

namespace Template {

// The package's index parts that the new pictures change: the document's relationships and the
// content types. Each is small; it is read whole, copied as it is and the new entries appended.
// Throws TemplateError for XML that is not well-formed or has a DTD.
class IndexParts {
public:
    // The Id of every relationship in a relationships part.
    static QSet<QString> RelationshipIds(const QByteArray& relationships, const QString& partName);
    // The relationships part with one image relationship per picture; `relationships` may be empty
    // (a template without relationships of its own).
    static QByteArray AddPictures(const QByteArray& relationships,
                                  const std::vector<PicturePlacer::Media>& media, const QString& partName);
    // [Content_Types].xml with a Default for each extension it does not have yet.
    static QByteArray AddDefaults(const QByteArray& contentTypes, const QSet<QString>& extensions);
};

} // namespace Template
