#include "template/PicturePlacer.h"

#include "docx/DocxDocumentPart.h"
#include "report/CReport.h"
#include "template/MarkupOutput.h"

#include <QDir>
#include <QFileInfo>

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

void PicturePlacer::Place(MarkupOutput& out, const QString& path, float width, float height) {
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
    Word::Picture picture;
    picture.widthPt = width;
    picture.heightPt = height;
    // The template's root may not declare the drawing namespaces; the drawing's markup declares them
    // itself, so they hold for it only, whatever prefixes the template uses.
    out.AppendMarkup(
        Word::DocxDocumentPart::InlinePictureMarkup(picture, m_nextDrawingId++, m_media[index].relationshipId)
            .toUtf8());
}

bool PicturePlacer::Admit(const QString& path) {
    const PictureIntake::Checked checked = m_intake.Check(path);
    if (checked.verdict != PictureIntake::Verdict::Accepted) {
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

} // namespace Template
