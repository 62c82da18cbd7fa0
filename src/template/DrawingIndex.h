#pragma once

#include "template/ChartPlacer.h"
#include "template/PicturePlacer.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace Template {

class TemplateParts;

// The fourth step: the pictures and charts placed in the body added to the package's index parts:
// a relationship each in the document's relationships (image, chart) and their content types, the
// charts' workbooks included, in [Content_Types].xml. Throws TemplateError.
class DrawingIndex {
public:
    // Puts the changed index parts into `replaced`, by the template's names for them; a template
    // without a relationships part gets one when there are pictures or charts.
    static void Add(const TemplateParts& parts, const std::vector<PicturePlacer::Media>& media,
                    const std::vector<ChartPlacer::Chart>& charts, std::map<QString, QByteArray>* replaced);
};

} // namespace Template
