#pragma once

#include "wordfile/IDocumentWriter.h"

namespace Word {

// Writes an Office Open XML package (.docx) with libzip. The small XML parts are built in memory;
// the document text, which grows with the report, is written to a temporary file on a second thread
// while the pictures are streamed from their files into the archive, PNG and JPEG as they are, other
// formats converted to PNG one at a time. Every entry has a fixed time stamp and a known size (so no
// ZIP64 records), and the parts come in a fixed order starting with [Content_Types].xml and ending
// with the document text: the same document always gives the same bytes.
class DocxWriter : public IDocumentWriter {
public:
    bool WriteFile(const Document& document, const QString& path, QString* error) override;
};

} // namespace Word
