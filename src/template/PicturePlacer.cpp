#include "template/PicturePlacer.h"

#include "docx/DocxDocumentPart.h"
#include "report/CReport.h"
#include "template/TemplateError.h"
#include "wordfile/WriteFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QXmlStreamWriter>

namespace Template {

PicturePlacer::PicturePlacer(CReport& report, int firstDrawingId, QSet<QString> usedIds,
                             QSet<QString> usedNames)
    : m_report(report), m_nextDrawingId(firstDrawingId), m_usedIds(std::move(usedIds)),
      m_usedNames(std::move(usedNames)) {}

QString PicturePlacer::Unused(const QSet<QString>& used, const QString& pattern, const QString& extension,
                              int* counter) {
    QString candidate;
    do {
        candidate = pattern.arg(++*counter).arg(extension);
    } while (used.contains(candidate.toCaseFolded()));
    return candidate;
}

void PicturePlacer::Place(QXmlStreamWriter& writer, const QString& path, float width, float height) {
    // The same file under one absolute path: a string's work, no file system call per picture.
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    std::size_t index = m_media.size();
    if (const auto known = m_placed.constFind(file); known != m_placed.constEnd()) {
        index = *known;
    } else if (Admit(path)) {
        m_placed.insert(file, index);
    } else {
        return;
    }
    WriteDrawing(writer, m_media[index].relationshipId, width, height);
}

bool PicturePlacer::Admit(const QString& path) {
    const PictureGate::Checked checked = m_gate.Check(path);
    if (checked.verdict != PictureGate::Verdict::Accepted) {
        m_report.ShowMessage(checked.message, path);
        return false;
    }
    Media media;
    media.target =
        Unused(m_usedNames, QStringLiteral("media/zolt-picture%1.%2"), checked.extension, &m_nameCounter);
    media.relationshipId = Unused(m_usedIds, QStringLiteral("rIdZolt%1%2"), QString(), &m_idCounter);
    media.file = checked.file;
    media.size = checked.size;
    media.length = checked.length;
    media.extension = checked.extension;
    m_media.push_back(std::move(media));
    return true;
}

void PicturePlacer::WriteDrawing(QXmlStreamWriter& writer, const QString& relationshipId, float width,
                                 float height) {
    Word::Picture picture;
    picture.widthPt = width;
    picture.heightPt = height;
    // The template's root may not declare the drawing namespaces; the drawing declares them itself,
    // so they hold for it only, whatever prefixes the template uses.
    QIODevice* device = writer.device();
    if (device == nullptr) {
        Word::DocxDocumentPart::DeclareNamespaces(writer);
        Word::DocxDocumentPart::WriteInlinePicture(writer, picture, m_nextDrawingId++, relationshipId);
        return;
    }
    // The drawing's markup goes to the writer's device behind the start tag the writer ends first;
    // the writer passes everything on as it is written, keeping nothing back.
    writer.writeCharacters(QString());
    const QByteArray markup =
        Word::DocxDocumentPart::InlinePictureMarkup(picture, m_nextDrawingId++, relationshipId).toUtf8();
    if (device->write(markup) != markup.size()) {
        throw TemplateError(Word::WriteFailure::Message(device->errorString()), TemplateError::Kind::Output);
    }
}

} // namespace Template
