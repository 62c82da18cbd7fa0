#include "template/TemplateParts.h"

#include "template/IndexParts.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

namespace Template {

namespace {

bool IsHeaderOrFooter(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^word/(header|footer)\\d*\\.xml$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

// The largest wp:docPr id of a part. Ids from 10 digits on are left out; new ones never come near
// them.
int LargestDrawingId(const QByteArray& xml) {
    constexpr uint kLargest = 999'999'999;
    QXmlStreamReader reader(xml);
    uint largest = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("docPr")) {
            bool ok = false;
            const uint id = reader.attributes().value(QLatin1String("id")).toUInt(&ok);
            largest = ok && id <= kLargest ? std::max(largest, id) : largest;
        }
    }
    return static_cast<int>(largest);
}

} // namespace

const QString TemplateParts::kDocument = QStringLiteral("word/document.xml");
const QString TemplateParts::kRelationships = QStringLiteral("word/_rels/document.xml.rels");
const QString TemplateParts::kContentTypes = QStringLiteral("[Content_Types].xml");

TemplateParts::TemplateParts(const QString& templatePath) {
    m_package.Open(templatePath); // refuses a package without a document part
    m_document = m_package.Find(kDocument);
    m_relationships = m_package.Find(kRelationships);
    m_contentTypes = m_package.Find(kContentTypes);
    for (const TemplatePackage::Entry& entry : m_package.Entries()) {
        const bool header = IsHeaderOrFooter(entry.name);
        if (header) {
            m_headers.push_back(&entry);
        }
        if (header || &entry == m_document) {
            m_tagged.push_back(&entry);
        }
    }
}

bool TemplateParts::Is(const TemplatePackage::Entry& entry, const QString& name) {
    return entry.name.compare(name, Qt::CaseInsensitive) == 0;
}

QByteArray TemplateParts::RelationshipBytes() const {
    return m_relationships != nullptr ? m_package.Read(*m_relationships) : QByteArray();
}

QSet<QString> TemplateParts::RelationshipIds() const {
    return IndexParts::RelationshipIds(RelationshipBytes(), kRelationships);
}

QSet<QString> TemplateParts::NamesInWord() const {
    QSet<QString> names;
    for (const TemplatePackage::Entry& entry : m_package.Entries()) {
        const QString folded = entry.name.toCaseFolded();
        if (folded.startsWith(QLatin1String("word/"))) {
            names.insert(folded.mid(5));
        }
    }
    return names;
}

int TemplateParts::FirstFreeDrawingId() const {
    int largest = 0;
    for (const TemplatePackage::Entry* entry : m_tagged) {
        largest = std::max(largest, LargestDrawingId(m_package.Read(*entry)));
    }
    return largest + 1;
}

} // namespace Template
