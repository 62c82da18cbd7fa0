#pragma once

#include <QString>

// Checks a document the writers produced, for the fuzz targets and their replays. A .docx must be
// a readable package whose XML parts are well-formed and, when the Office Open XML schemas are
// found (ZOLT_SCHEMA_DIR, else ../shared/ooxml-schemas beside the source tree), valid against them.
// A .doc must be a compound file whose Word structures pass DocReader's checks. Each check
// returns an empty string when the document is sound, else what is wrong.
class DocumentChecker {
public:
    // `expectedText`, when not null, is the text a reader must get back: w:t contents, w:tab as
    // '\t' and w:br as '\n', over the whole body in order.
    static QString CheckDocx(const QString& path, const QString* expectedText = nullptr);
    // The same for .doc: the main text without paragraph and cell marks, line breaks as '\n'.
    static QString CheckDoc(const QString& path, const QString* expectedText = nullptr);

    // Whether the schemas were found; without them only well-formedness is checked.
    static bool HaveSchemas();
};
