#pragma once

#include "word/WordDocument.h"

#include <QString>

#include <cstdint>

namespace Word {

class CfbWriter;

// Writes one inline picture into the Data stream of a .doc file the way Word stores it
// ([MS-DOC] 2.9.192 PICFAndOfficeArtData): a PICF header with the shown size, then an OfficeArt
// picture-frame shape ([MS-ODRAW] OfficeArtInlineSpContainer) whose blip store entry holds the PNG or
// JPEG file itself. The file is copied through in blocks; a picture to be converted is decoded and
// encoded as PNG on its own, so only one picture is ever held in memory.
class DocPictureWriter {
public:
    // `cfb` has the Data stream open. `shapeId` must be unique in the document.
    // Returns false with `error` set (for the user) when the file is gone, changed or unreadable.
    static bool Write(const Picture& picture, std::uint32_t shapeId, CfbWriter* cfb, QString* error);
};

} // namespace Word
