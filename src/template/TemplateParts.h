#pragma once

#include "template/TemplatePackage.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <vector>

namespace Template {

// The first step of a report from a template: the package opened and every entry checked
// (TemplatePackage), and the parts the report fills or changes found in it: the document, its
// headers and footers, its relationships and the content types. Throws TemplateError.
class TemplateParts {
public:
    static const QString kDocument;
    static const QString kRelationships;
    static const QString kContentTypes;

    explicit TemplateParts(const QString& templatePath);

    const TemplatePackage& Package() const { return m_package; }
    const TemplatePackage::Entry& Document() const { return *m_document; }
    const std::vector<const TemplatePackage::Entry*>& HeadersAndFooters() const { return m_headers; }
    // The parts that hold tags (the document, headers and footers), in the package's order.
    const std::vector<const TemplatePackage::Entry*>& Tagged() const { return m_tagged; }
    // Null when the template has none.
    const TemplatePackage::Entry* Relationships() const { return m_relationships; }
    const TemplatePackage::Entry* ContentTypes() const { return m_contentTypes; }

    // The relationships part's bytes; empty when there is none.
    QByteArray RelationshipBytes() const;
    // The Id of every relationship of the document, which new ones must not repeat.
    QSet<QString> RelationshipIds() const;
    // The entries' names relative to word/, case-folded: what new parts must not be called.
    QSet<QString> NamesInWord() const;
    // A wp:docPr id above every one of the tagged parts, for the drawings the report adds.
    int FirstFreeDrawingId() const;

    // Part names are compared ignoring case, as the package format does.
    static bool Is(const TemplatePackage::Entry& entry, const QString& name);

private:
    TemplatePackage m_package;
    const TemplatePackage::Entry* m_document = nullptr;
    const TemplatePackage::Entry* m_relationships = nullptr;
    const TemplatePackage::Entry* m_contentTypes = nullptr;
    std::vector<const TemplatePackage::Entry*> m_headers;
    std::vector<const TemplatePackage::Entry*> m_tagged;
};

} // namespace Template
