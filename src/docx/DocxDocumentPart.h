#pragma once

#include "wordfile/WordDocument.h"

#include <QByteArray>
#include <QString>

class QIODevice;
class QXmlStreamWriter;

#include <vector>

namespace Word {

// Writes word/document.xml: the body's paragraphs and tables and the inline pictures, then the
// section properties (page size and margins). The output has no volatile values, so the same
// document always gives the same bytes.
class DocxDocumentPart {
public:
    // `relationshipIds[i]` is the relationship id of picture i (empty for pictures not shown).
    static QByteArray Build(const Document& document, const std::vector<QString>& relationshipIds);
    // The same bytes written to `device`, open for writing; false when the device took not all of them.
    static bool Write(const Document& document, const std::vector<QString>& relationshipIds,
                      QIODevice* device);

    // One inline picture as a w:drawing element at the writer's position: `drawingId` is its wp:docPr id,
    // unique in the document, `relationshipId` the image part's relationship. The writer must know the
    // namespaces W, WP, A, PIC and R (the report templates declare them just before the call).
    static void WriteInlinePicture(QXmlStreamWriter& xml, const Picture& picture, int drawingId,
                                   const QString& relationshipId);
    // The same w:drawing as markup that declares the namespaces it uses on itself, rendered once and
    // filled in: for placing many pictures into XML whose declarations are not known, where the sixty
    // writer calls of each drawing would cost more than the rest of the part.
    static QString InlinePictureMarkup(const Picture& picture, int drawingId, const QString& relationshipId);

    // Declares the namespaces of the document part and its drawings (W, R, WP, A, PIC) with their
    // usual prefixes, on the element the writer is in or the next one it starts.
    static void DeclareNamespaces(QXmlStreamWriter& xml);

    // Page geometry in twips (1/20 point), shared with the tests.
    static int Twips(float points);
    static int TextWidthTwips(const PageSetup& page);
    static int GridColumnTwips(const PageSetup& page, int gridColumns);
};

} // namespace Word
