#pragma once

#include "wordfile/PictureFile.h"
#include "wordfile/WordDocument.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace Word {

class CfbWriter;

// Writes one inline picture into the Data stream of a .doc file the way Word stores it
// ([MS-DOC] 2.9.192 PICFAndOfficeArtData): a PICF header with the shown size, then an OfficeArt
// picture-frame shape ([MS-ODRAW] OfficeArtInlineSpContainer) whose blip store entry holds the PNG or
// JPEG file itself.
//
// Preparing and writing are two steps so that they can run on different threads: Prepare reads the
// picture and computes the blip's id, the MD4 digest of every byte, which costs more than writing the
// bytes; Write only copies. A picture up to kWholeReadLimit is read once and held; a larger one is
// read twice in blocks (digest, then copy), and a picture to be converted is decoded and encoded as
// PNG on its own, so memory stays within a few pictures' worth.
class DocPictureWriter {
public:
    static constexpr qint64 kWholeReadLimit = 4 * 1024 * 1024;

    // `picture` must outlive this writer.
    explicit DocPictureWriter(const Picture& picture) : m_picture(picture) {}
    DocPictureWriter(const DocPictureWriter&) = delete;
    DocPictureWriter& operator=(const DocPictureWriter&) = delete;

    // Opens, reads and digests the picture; shares nothing with other writers. False with the
    // message for the user in ErrorString when the file is gone, changed, unreadable or too large.
    bool Prepare();
    // Writes the prepared picture into `cfb`'s open stream. `shapeId` must be unique in the document.
    bool Write(std::uint32_t shapeId, CfbWriter* cfb);
    QString ErrorString() const { return m_error; }

private:
    bool Open();
    bool ComputeId();
    bool CopyBlip(CfbWriter* cfb);

    const Picture& m_picture;
    PictureFile m_file;
    QByteArray m_first;     // the file's first bytes: all of a picture up to kWholeReadLimit
    QByteArray m_converted; // the picture converted to PNG
    bool m_convert = false;
    qint64 m_size = 0; // bytes of the blip
    QByteArray m_uid;
    QString m_error;
};

} // namespace Word
