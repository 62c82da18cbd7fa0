#include "template/TemplateReport.h"

#include "report/CReport.h"
#include "template/IndexParts.h"
#include "template/PackageWriter.h"
#include "template/PartFiller.h"
#include "template/PicturePlacer.h"
#include "template/ReportNumber.h"
#include "template/TemplateError.h"
#include "template/TemplatePackage.h"
#include "wordfile/AtomicFileSaver.h"
#include "wordfile/IDocumentWriter.h"
#include "wordfile/WriteFailure.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QXmlStreamReader>

namespace Template {

namespace {

const QString kDocument = QStringLiteral("word/document.xml");
const QString kRelationships = QStringLiteral("word/_rels/document.xml.rels");
const QString kContentTypes = QStringLiteral("[Content_Types].xml");

// Part names are compared ignoring case, as the package format does.
bool Is(const TemplatePackage::Entry& entry, const QString& name) {
    return entry.name.compare(name, Qt::CaseInsensitive) == 0;
}

bool IsHeaderOrFooter(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^word/(header|footer)\\d*\\.xml$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

// The largest wp:docPr id of a part: new drawings are numbered above every one the template has.
// Ids from 10 digits on are left out; new ones never come near them.
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

// Fills the template into a new package at the path AtomicFileSaver gives; the document model it
// hands over is not used (the template is the document).
class FilledPackage : public Word::IDocumentWriter {
public:
    FilledPackage(const QString& templatePath, const ReportData& data, CReport& report, ReportNumber& number)
        : m_templatePath(templatePath), m_data(data), m_report(report), m_number(number) {}

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
        int largestId = 0;
        QSet<QString> names; // media targets are relative to word/
        std::vector<const TemplatePackage::Entry*> headers;
        for (const TemplatePackage::Entry& entry : package.Entries()) {
            const QString folded = entry.name.toCaseFolded();
            if (folded.startsWith(QLatin1String("word/"))) {
                names.insert(folded.mid(5));
            }
            if (Is(entry, kDocument) || IsHeaderOrFooter(entry.name)) {
                largestId = std::max(largestId, LargestDrawingId(package.Read(entry)));
            }
            if (IsHeaderOrFooter(entry.name)) {
                headers.push_back(&entry);
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
        int tags = 0;
        PartFiller(kDocument, PartFiller::PartKind::Body, m_data, &pictures, m_report, &tags, &m_number)
            .Fill(package.Read(*package.Find(kDocument)), &document);
        if (!document.flush()) {
            throw TemplateError(Word::WriteFailure::Message(document.errorString()),
                                TemplateError::Kind::Output);
        }
        // Headers and footers are read one at a time; only what they become is kept.
        std::map<QString, QByteArray> filled;
        for (const TemplatePackage::Entry* header : headers) {
            QBuffer buffer(&filled[header->name]);
            buffer.open(QIODevice::WriteOnly);
            PartFiller(header->name, PartFiller::PartKind::HeaderFooter, m_data, nullptr, m_report, &tags,
                       &m_number)
                .Fill(package.Read(*header), &buffer);
        }
        Assemble(path, package, document, filled, relationships, pictures.MediaList());
    }

    void Assemble(const QString& path, const TemplatePackage& package, const QTemporaryFile& document,
                  std::map<QString, QByteArray>& filled, const QByteArray& relationships,
                  const std::vector<PicturePlacer::Media>& media) {
        PackageWriter writer;
        writer.Open(path);
        bool relationshipsWritten = false;
        for (const TemplatePackage::Entry& entry : package.Entries()) {
            if (entry.folder) {
                continue; // no part; unpacking makes the folders
            } else if (Is(entry, kDocument)) {
                writer.AddFile(entry.name, document.fileName(), document.size(), true);
            } else if (auto found = filled.find(entry.name); found != filled.end()) {
                writer.AddBytes(entry.name, found->second);
            } else if (Is(entry, kRelationships)) {
                writer.AddBytes(entry.name, IndexParts::AddPictures(relationships, media, kRelationships));
                relationshipsWritten = true;
            } else if (Is(entry, kContentTypes)) {
                writer.AddBytes(entry.name, IndexParts::AddDefaults(package.Read(entry), media));
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
    ReportNumber& m_number;
};

} // namespace

bool TemplateReport::Write(const QString& templatePath, const QString& target, const ReportData& data,
                           CReport& report) {
    // The number is taken while the report is written and kept only once it is saved.
    ReportNumber number(data.reportNumber, data.baseInfo.m_strDate, true);
    FilledPackage writer(templatePath, data, report, number);
    Word::AtomicFileSaver saver;
    QString error;
    if (!saver.Save(Word::Document(), target, writer, &error)) {
        report.SetFailure(error);
        return false;
    }
    if (!number.Commit(&error)) {
        report.SetFailure(QStringLiteral("the report was saved, but its number was not recorded: ") + error);
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
        int tags = 0;
        ReportNumber number(QString(), QString(), false);
        for (const TemplatePackage::Entry& entry : package.Entries()) {
            if (!Is(entry, kDocument) && !IsHeaderOrFooter(entry.name)) {
                continue;
            }
            QBuffer discard;
            discard.open(QIODevice::WriteOnly);
            PartFiller(entry.name,
                       Is(entry, kDocument) ? PartFiller::PartKind::Body : PartFiller::PartKind::HeaderFooter,
                       data, nullptr, report, &tags, &number)
                .Fill(package.Read(entry), &discard);
        }
        // What writing reads besides: the document's relationships.
        if (const TemplatePackage::Entry* relationships = package.Find(kRelationships)) {
            IndexParts::RelationshipIds(package.Read(*relationships), kRelationships);
        }
    } catch (const TemplateError& failure) {
        return QStringLiteral("the template \"%1\" cannot be used: %2")
            .arg(QFileInfo(templatePath).fileName(), failure.Message());
    }
    return QString();
}

} // namespace Template
