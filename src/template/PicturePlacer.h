#pragma once

#include "template/PictureIntake.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

class CReport;

namespace Template {

class MarkupOutput;

// Puts the pictures of the record rows into the report: checks each through the picture gate, tells
// the user of a missing or unusable one exactly as the built-in report does (its cell stays empty),
// and for the others writes the inline drawing and remembers the image part to store. A picture file
// placed again (by the same absolute path) is stored once: its drawings share
// one image part, so the report holds no more picture bytes than there are pictures.
class PicturePlacer {
public:
    struct Media {
        QString relationshipId;
        QString target; // relative to word/, e.g. "media/zolt-picture1.png"
        QString file;   // streamed into the package
        qint64 size = 0;
        qint64 length = 0; // bytes stored, from the start of `file`
        QString extension;
    };

    // `firstDrawingId` is above every wp:docPr id of the template; `usedIds` and `usedNames` are the
    // template's relationship ids and entry names (relative to word/, case-folded), which new ones
    // must not repeat.
    PicturePlacer(CReport& report, int firstDrawingId, QSet<QString> usedIds, QSet<QString> usedNames);

    // Writes the picture's inline drawing at the output's place, or nothing when it cannot be used.
    void Place(MarkupOutput& out, const QString& path, float width, float height);

    const std::vector<Media>& MediaList() const { return m_media; }
    // A drawing id no other drawing of the document has, for a copy of one of the template's own.
    int NewDrawingId() { return m_nextDrawingId++; }

private:
    // Checks a picture not placed before and adds its image part; false when it cannot be used.
    bool Admit(const QString& path);
    static QString Unused(const QSet<QString>& used, const QString& pattern, const QString& extension,
                          int* counter);

    CReport& m_report;
    PictureIntake m_intake;
    int m_nextDrawingId;
    int m_nameCounter = 0;
    int m_idCounter = 0;
    QSet<QString> m_usedIds;
    QSet<QString> m_usedNames;
    std::vector<Media> m_media;
    QHash<QString, std::size_t> m_placed; // index into m_media, by the picture's absolute path
};

} // namespace Template
