#include "template/TemplateReport.h"

#include "report/CReport.h"
#include "template/BodyFill.h"
#include "template/ChartPlacer.h"
#include "template/DrawingIndex.h"
#include "template/HeaderFooterFill.h"
#include "template/PartFiller.h"
#include "template/PicturePlacer.h"
#include "template/ReportAssembler.h"
#include "template/ReportNumber.h"
#include "template/TemplateError.h"
#include "template/TemplateParts.h"
#include "wordfile/AtomicFileSaver.h"

#include <QBuffer>
#include <QFileInfo>

namespace Template {

namespace {

QString Unusable(const TemplateError& failure, const QString& templatePath) {
    return QStringLiteral("the template \"%1\" cannot be used: %2")
        .arg(QFileInfo(templatePath).fileName(), failure.Message());
}

} // namespace

bool TemplateReport::Write(const QString& templatePath, const QString& target, const ReportData& data,
                           CReport& report) {
    // The number is taken while the report is written and kept only once it is saved.
    ReportNumber number(data.reportNumber, data.baseInfo.m_strDate, true);
    const auto fill = [&](const QString& path, QString* error) {
        try {
            Fill(templatePath, path, data, report, number);
            return true;
        } catch (const TemplateError& failure) {
            *error = failure.GetKind() == TemplateError::Kind::Template ? Unusable(failure, templatePath)
                                                                        : failure.Message();
            return false;
        }
    };
    Word::AtomicFileSaver saver;
    QString error;
    if (!saver.Save(target, fill, &error)) {
        report.SetFailure(error);
        return false;
    }
    if (!number.Commit(&error)) {
        report.SetFailure(QStringLiteral("the report was saved, but its number was not recorded: ") + error);
        return false;
    }
    return true;
}

// The steps of a report from a template, in order; each throws TemplateError.
void TemplateReport::Fill(const QString& templatePath, const QString& path, const ReportData& data,
                          CReport& report, ReportNumber& number) {
    // 1. Open the template, check every entry of its package and find the parts to fill.
    const TemplateParts parts(templatePath);
    PicturePlacer pictures(report, parts.FirstFreeDrawingId(), parts.RelationshipIds(), parts.NamesInWord());
    ChartPlacer charts(pictures, parts.RelationshipIds(), parts.NamesInWord());
    int tags = 0;
    // 2. Fill the body into a temporary file: the record rows and their pictures, the charts.
    const BodyFill body(parts, data, pictures, charts, report, &tags, number);
    // 3. Fill the headers and footers.
    std::map<QString, QByteArray> replaced = HeaderFooterFill(parts, data, report, &tags, number).TakeParts();
    // 4. Add the pictures and charts to the document's relationships and the content types.
    DrawingIndex::Add(parts, pictures.MediaList(), charts.Charts(), &replaced);
    charts.TakeParts(&replaced);
    // 5. Assemble the report's package: the template's entries, the filled and changed parts, the
    //    charts' parts, the pictures.
    ReportAssembler::Write(path, parts, body.File(), replaced, pictures.MediaList());
}

QString TemplateReport::Check(const QString& templatePath) {
    ReportData data;
    data.checkColumns = false;
    CReport report(nullptr);
    try {
        const TemplateParts parts(templatePath);
        int tags = 0;
        ReportNumber number(QString(), QString(), false);
        for (const TemplatePackage::Entry* entry : parts.Tagged()) {
            QBuffer discard;
            discard.open(QIODevice::WriteOnly);
            const PartFiller::PartKind kind =
                entry == &parts.Document() ? PartFiller::PartKind::Body : PartFiller::PartKind::HeaderFooter;
            PartFiller(entry->name, kind, data, nullptr, report, &tags, &number)
                .Fill(parts.Package().Read(*entry), &discard);
        }
        // What writing reads besides: the document's relationships.
        if (parts.Relationships() != nullptr) {
            parts.RelationshipIds();
        }
    } catch (const TemplateError& failure) {
        return Unusable(failure, templatePath);
    }
    return QString();
}

} // namespace Template
