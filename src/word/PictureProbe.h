#pragma once

#include "word/WordDocument.h"

#include <QString>

namespace Word {

// Decides whether a file may go into the document as a picture, without keeping its bytes: PNG and
// JPEG must be complete (PNG ends with its IEND chunk, JPEG with its end-of-image marker) and are
// embedded as they are; any other format that Qt reads must decode fully and is converted to PNG when
// the document is saved. Anything else (text, an empty or truncated file, a folder) is refused with
// a message for the user, so that a corrupt picture never reaches the package.
class PictureProbe {
public:
    enum class Result { Accepted, Missing, Refused };

    // Accepted: `picture` is filled (all but the shown size). Refused: `error` says why. A missing
    // file is left for the caller to report.
    static Result Probe(const QString& path, Picture* picture, QString* error);
};

} // namespace Word
