#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace Word {

// The small fixed parts of a .docx package: content types, the package and document relationships,
// the styles (with the grid table style "Table Grid", which Word shows localised, e.g. as 网格型) and
// the settings.
class DocxPackageParts {
public:
    struct Media {
        QString relationshipId; // "rId3"
        QString target;         // "media/image1.png", relative to word/
    };

    static QByteArray ContentTypes();
    static QByteArray PackageRelationships();
    static QByteArray DocumentRelationships(const std::vector<Media>& media);
    static QByteArray Styles();
    static QByteArray Settings();
};

} // namespace Word
