#include "template/BodyFill.h"

#include "template/PartFiller.h"
#include "template/TemplateError.h"
#include "template/TemplateParts.h"
#include "wordfile/WriteFailure.h"

namespace Template {

BodyFill::BodyFill(const TemplateParts& parts, const ReportData& data, PicturePlacer& pictures,
                   ChartPlacer& charts, CReport& report, int* tagCount, ReportNumber& number) {
    if (!m_file.open()) {
        throw TemplateError(
            QStringLiteral("no temporary file for the document text (%1).").arg(m_file.errorString()),
            TemplateError::Kind::Output);
    }
    const TemplatePackage::Entry& document = parts.Document();
    PartFiller(document.name, PartFiller::PartKind::Body, data, &pictures, report, tagCount, &number, &charts)
        .Fill(parts.Package().Read(document), &m_file);
    if (!m_file.flush()) {
        throw TemplateError(Word::WriteFailure::Message(m_file.errorString()), TemplateError::Kind::Output);
    }
}

} // namespace Template
