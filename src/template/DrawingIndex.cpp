#include "template/DrawingIndex.h"

#include "template/IndexParts.h"
#include "template/TemplateParts.h"

namespace Template {

namespace {

const QString kRelationshipTypes =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");

std::vector<IndexParts::Added> Added(const std::vector<PicturePlacer::Media>& media,
                                     const std::vector<ChartPlacer::Chart>& charts) {
    std::vector<IndexParts::Added> added;
    added.reserve(media.size() + 2 * charts.size());
    for (const PicturePlacer::Media& picture : media) {
        added.push_back({picture.relationshipId, kRelationshipTypes + QStringLiteral("image"), picture.target,
                         QStringLiteral("image/") + picture.extension});
    }
    for (const ChartPlacer::Chart& chart : charts) {
        added.push_back(
            {chart.relationshipId, kRelationshipTypes + QStringLiteral("chart"), chart.target,
             QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml")});
        // The chart part's own relationships name its workbook.
        added.push_back(
            {QString(), QString(), chart.workbook,
             QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    }
    return added;
}

} // namespace

void DrawingIndex::Add(const TemplateParts& parts, const std::vector<PicturePlacer::Media>& media,
                       const std::vector<ChartPlacer::Chart>& charts,
                       std::map<QString, QByteArray>* replaced) {
    const std::vector<IndexParts::Added> added = Added(media, charts);
    if (const TemplatePackage::Entry* relationships = parts.Relationships()) {
        (*replaced)[relationships->name] =
            IndexParts::AddRelationships(parts.RelationshipBytes(), added, TemplateParts::kRelationships);
    } else if (!added.empty()) {
        (*replaced)[TemplateParts::kRelationships] =
            IndexParts::AddRelationships(QByteArray(), added, TemplateParts::kRelationships);
    }
    if (const TemplatePackage::Entry* contentTypes = parts.ContentTypes()) {
        (*replaced)[contentTypes->name] =
            IndexParts::AddContentTypes(parts.Package().Read(*contentTypes), added);
    }
}

} // namespace Template
