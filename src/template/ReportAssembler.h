#pragma once

#include "template/PicturePlacer.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

class QTemporaryFile;

namespace Template {

class TemplateParts;

// The last step: the report's package written at `path` (which does not exist yet), in the
// template's order of entries. The filled body streams from its file, the parts in `replaced` take
// the place of the template's (a name the template lacks is added after its entries), every other
// entry is copied as stored, and the pictures follow. Throws TemplateError.
class ReportAssembler {
public:
    static void Write(const QString& path, const TemplateParts& parts, const QTemporaryFile& body,
                      const std::map<QString, QByteArray>& replaced,
                      const std::vector<PicturePlacer::Media>& media);
};

} // namespace Template
