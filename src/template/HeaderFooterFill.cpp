#include "template/HeaderFooterFill.h"

#include "template/PartFiller.h"
#include "template/TemplateParts.h"

#include <QBuffer>

namespace Template {

HeaderFooterFill::HeaderFooterFill(const TemplateParts& parts, const ReportData& data, CReport& report,
                                   int* tagCount, ReportNumber& number) {
    for (const TemplatePackage::Entry* header : parts.HeadersAndFooters()) {
        QBuffer buffer(&m_parts[header->name]);
        buffer.open(QIODevice::WriteOnly);
        PartFiller(header->name, PartFiller::PartKind::HeaderFooter, data, nullptr, report, tagCount, &number)
            .Fill(parts.Package().Read(*header), &buffer);
    }
}

} // namespace Template
