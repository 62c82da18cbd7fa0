#pragma once

#include "wordfile/WordDocument.h"

#include <QString>

namespace Word {

// Turns a document into one file format. CWordOper::SaveAs picks the writer from the file name
// and takes care of the temporary file and the replacement of the target.
class IDocumentWriter {
public:
    virtual ~IDocumentWriter() = default;

    // Writes the complete file at `path`, which does not exist yet. On failure returns false and
    // sets `error` to a message for the user; a partial file may be left for the caller to remove.
    virtual bool WriteFile(const Document& document, const QString& path, QString* error) = 0;
};

} // namespace Word
