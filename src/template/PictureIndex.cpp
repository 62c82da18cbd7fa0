#include "template/PictureIndex.h"

#include "template/IndexParts.h"
#include "template/TemplateParts.h"

namespace Template {

void PictureIndex::Add(const TemplateParts& parts, const std::vector<PicturePlacer::Media>& media,
                       std::map<QString, QByteArray>* replaced) {
    if (const TemplatePackage::Entry* relationships = parts.Relationships()) {
        (*replaced)[relationships->name] =
            IndexParts::AddPictures(parts.RelationshipBytes(), media, TemplateParts::kRelationships);
    } else if (!media.empty()) {
        (*replaced)[TemplateParts::kRelationships] =
            IndexParts::AddPictures(QByteArray(), media, TemplateParts::kRelationships);
    }
    if (const TemplatePackage::Entry* contentTypes = parts.ContentTypes()) {
        (*replaced)[contentTypes->name] = IndexParts::AddDefaults(parts.Package().Read(*contentTypes), media);
    }
}

} // namespace Template
