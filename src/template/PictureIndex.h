#pragma once

#include "template/PicturePlacer.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace Template {

class TemplateParts;

// The fourth step: the pictures placed in the body added to the package's index parts, an image
// relationship each in the document's relationships and their types in [Content_Types].xml.
// Throws TemplateError.
class PictureIndex {
public:
    // Puts the changed index parts into `replaced`, by the template's names for them; a template
    // without a relationships part gets one when there are pictures.
    static void Add(const TemplateParts& parts, const std::vector<PicturePlacer::Media>& media,
                    std::map<QString, QByteArray>* replaced);
};

} // namespace Template
