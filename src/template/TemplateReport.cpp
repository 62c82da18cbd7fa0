#include "template/TemplateReport.h"

#include "report/CReport.h"
#include "template/IndexParts.h"
#include "template/PackageWriter.h"
#include "template/PartFiller.h"
#include "template/PicturePlacer.h"
#include "template/TemplateError.h"
#include "template/TemplatePackage.h"
#include "wordfile/AtomicFileSaver.h"
#include "wordfile/IDocumentWriter.h"
#include "wordfile/WriteFailure.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace Template {

namespace {

const QString kDocument = QStringLiteral("word/document.xml");
const QString kRelationships = QStringLiteral("word/_rels/document.xml.rels");
const QString kContentTypes = QStringLiteral("[Content_Types].xml");

bool IsHeaderOrFooter(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^word/(header|footer)\\d*\\.xml$"));
    return pattern.match(name).hasMatch();
}

// The largest wp:docPr id of a part: new drawings are numbered above every one the template has.
int LargestDrawingId(const QByteArray& xml) {
    static const QRegularExpression docPr(QStringLiteral("<(?:\\w+:)?docPr\\b[^>]*?\\bid=\"(\\d{1,9})\""));
    int largest = 0;
    QRegularExpressionMatchIterator matches = docPr.globalMatch(QString::fromUtf8(xml));
    while (matches.hasNext()) {
        largest = std::max(largest, matches.next().captured(1).toInt());
    }
    return largest;
}

// Fills the template into a new package at the path AtomicFileSaver gives; the document model it
// hands over is not used (the template is the document).
class FilledPackage : public Word::IDocumentWriter {
public:
    FilledPackage(const QString& templatePath, const ReportData& data, CReport& report)
        : m_templatePath(templatePath), m_data(data), m_report(report) {}

    bool WriteFile(const Word::Document&, const QString& path, QString* error) override {
        try {
            Write(path);
            return true;
        } catch (const TemplateError& failure) {
            *error = failure.GetKind() == TemplateError::Kind::Template
                         ? QStringLiteral("the template \"%1\" cannot be used: %2")
                               .arg(QFileInfo(m_templatePath).fileName(), failure.Message())
                         : failure.Message();
            return false;
        }
    }

private:
    void Write(const QString& path) {
        TemplatePackage package;
        package.Open(m_templatePath);
        const TemplatePackage::Entry* contentTypes = package.Find(kContentTypes);
        if (contentTypes == nullptr) {
            throw TemplateError(QStringLiteral("the package has no [Content_Types].xml"));
        }
        std::map<QString, QByteArray> filled; // headers and footers, small
        int largestId = 0;
        QSet<QString> names;
        for (const TemplatePackage::Entry& entry : package.Entries()) {
            names.insert(entry.name.mid(5)); // media targets are relative to word/
            if (entry.name == kDocument || IsHeaderOrFooter(entry.name)) {
                filled[entry.name] = package.Read(entry);
                largestId = std::max(largestId, LargestDrawingId(filled[entry.name]));
            }
        }
        const TemplatePackage::Entry* relationshipsEntry = package.Find(kRelationships);
        const QByteArray relationships =
            relationshipsEntry ? package.Read(*relationshipsEntry) : QByteArray();
        PicturePlacer pictures(m_report, largestId + 1,
                               IndexParts::RelationshipIds(relationships, kRelationships), names);

        // The document grows with the records: it goes to a private file, not into memory.
        QTemporaryFile document;
        if (!document.open()) {
            throw TemplateError(
                QStringLiteral("no temporary file for the document text (%1).").arg(document.errorString()),
                TemplateError::Kind::Output);
        }
        PartFiller(kDocument, PartFiller::PartKind::Body, m_data, &pictures, m_report)
            .Fill(filled[kDocument], &document);
        if (!document.flush()) {
            throw TemplateError(Word::WriteFailure::Message(document.errorString()),
                                TemplateError::Kind::Output);
        }
        filled.erase(kDocument);
        for (auto& [name, bytes] : filled) {
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            PartFiller(name, PartFiller::PartKind::HeaderFooter, m_data, nullptr, m_report)
                .Fill(bytes, &buffer);
            bytes = out;
        }
        Assemble(path, package, document, filled, relationships, pictures.MediaList());
    }

    void Assemble(const QString& path, const TemplatePackage& package, const QTemporaryFile& document,
                  std::map<QString, QByteArray>& filled, const QByteArray& relationships,
                  const std::vector<PicturePlacer::Media>& media) {
        QSet<QString> extensions;
        for (const PicturePlacer::Media& picture : media) {
            extensions.insert(picture.extension);
        }
        PackageWriter writer;
        writer.Open(path);
        bool relationshipsWritten = false;
        for (const TemplatePackage::Entry& entry : package.Entries()) {
            if (entry.name == kDocument) {
                writer.AddFile(entry.name, document.fileName(), document.size(), true);
            } else if (auto found = filled.find(entry.name); found != filled.end()) {
                writer.AddBytes(entry.name, found->second);
            } else if (entry.name == kRelationships) {
                writer.AddBytes(entry.name, IndexParts::AddPictures(relationships, media, kRelationships));
                relationshipsWritten = true;
            } else if (entry.name == kContentTypes) {
                writer.AddBytes(entry.name, IndexParts::AddDefaults(package.Read(entry), extensions));
            } else {
                writer.CopyRaw(package, entry.index, entry.name);
            }
        }
        if (!relationshipsWritten && !media.empty()) {
            writer.AddBytes(kRelationships, IndexParts::AddPictures(QByteArray(), media, kRelationships));
        }
        for (const PicturePlacer::Media& picture : media) {
            writer.AddFile(QStringLiteral("word/") + picture.target, picture.file, picture.size, false,
                           picture.length);
        }
        writer.Close();
    }

    QString m_templatePath;
    const ReportData& m_data;
    CReport& m_report;
};

} // namespace

bool TemplateReport::Write(const QString& templatePath, const QString& target, const ReportData& data,
                           CReport& report) {
    FilledPackage writer(templatePath, data, report);
    Word::AtomicFileSaver saver;
    QString error;
    if (!saver.Save(Word::Document(), target, writer, &error)) {
        report.SetFailure(error);
        return false;
    }
    return true;
}

QString TemplateReport::Check(const QString& templatePath) {
    ReportData data;
    data.checkColumns = false;
    CReport report(nullptr);
    try {
        TemplatePackage package;
        package.Open(templatePath);
        for (const TemplatePackage::Entry& entry : package.Entries()) {
            if (entry.name != kDocument && !IsHeaderOrFooter(entry.name)) {
                continue;
            }
            QBuffer discard;
            discard.open(QIODevice::WriteOnly);
            PartFiller(entry.name,
                       entry.name == kDocument ? PartFiller::PartKind::Body
                                               : PartFiller::PartKind::HeaderFooter,
                       data, nullptr, report)
                .Fill(package.Read(entry), &discard);
        }
    } catch (const TemplateError& failure) {
        return QStringLiteral("the template \"%1\" cannot be used: %2")
            .arg(QFileInfo(templatePath).fileName(), failure.Message());
    }
    return QString();
}

} // namespace Template
