#pragma once

#include "wordfile/WordDocument.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace Word {

class PictureFile;

// The one place that decides what goes into a document as a picture, and every message about a
// picture. Admitting a file is cheap: PNG and JPEG are walked chunk by chunk and segment by segment
// up to their end marker (never decoded) and embedded as they are, less whatever follows the end
// marker, which is not part of the picture (a newline, zero padding, a line of text an instrument
// appends). Any other format that Qt reads must decode fully and is converted to PNG when the
// document is saved. Text, an empty or cut-off file, a folder or a special file are refused with a
// message, so that a damaged picture never reaches the document. Both writers read the admitted
// pictures back through here, which checks that each file is still the one admitted.
class PictureGate {
public:
    enum class Verdict { Accepted, Missing, Refused };

    // Accepted: `picture` is filled (all but the shown size). Missing (no path, or nothing at it)
    // and Refused: `message` is the text for the user.
    static Verdict Admit(const QString& path, Picture* picture, QString* message);

    // Pictures in the order the body first shows them; a picture shown twice is stored once.
    static std::vector<int> ShownPictures(const Document& document);

    // Opens an admitted picture's file and reads its first `headSize` bytes (fewer for a shorter
    // picture); false with `error` set when the file is gone, changed or unreadable. `*asIs` tells
    // whether the head still starts as the admitted format does; when not, the picture is converted.
    static bool OpenAdmitted(const Picture& picture, PictureFile* file, qint64 headSize, QByteArray* head,
                             bool* asIs, QString* error);
    // The next block of an opened picture (`count` bytes at `offset`), or false with `error` set.
    static bool ReadAdmitted(const Picture& picture, PictureFile* file, qint64 offset, qint64 count,
                             QByteArray* block, QString* error);
    // The picture decoded and encoded as PNG; false with `error` set.
    static bool ConvertToPng(const Picture& picture, QByteArray* png, QString* error);
    // Whether `size` bytes fit in a picture of the Word 97-2003 format; false with `error` set.
    static bool FitsDocFormat(const Picture& picture, qint64 size, QString* error);

    // Messages for a picture file that failed while a document was saved.
    static QString ChangedMessage(const QString& path);
    static QString ChangedWhileWritingMessage(const QString& path);
    static QString UnreadableMessage(const QString& path, const QString& why);
};

} // namespace Word
