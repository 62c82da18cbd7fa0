#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The outside readers that check the documents we write: xmllint with the Office Open XML schemas,
// python-docx, LibreOffice (to PDF) and poppler (pdftotext, pdfimages). Each check returns an empty
// string on success, else what went wrong. When a tool or the schemas are absent, the Missing...
// functions say so and a test skips with ZOLT_REQUIRE(ExternalTools::MissingForSchemas()).
class ExternalTools {
public:
    // What python-docx sees in a document.
    struct DocxView {
        QStringList paragraphs;           // body paragraphs' text, tables not included
        QList<QList<QStringList>> tables; // table -> row -> cell texts (merged cells once)
        int inlinePictures = 0;
        QStringList pictureSizes; // "WxH" in pixels, as python-docx reads each picture's header
        double pageWidthPt = 0, pageHeightPt = 0;
        double topMarginPt = 0, bottomMarginPt = 0, leftMarginPt = 0, rightMarginPt = 0;
    };

    static QString SchemaFolder();      // ZOLT_SOURCE_DIR/../shared/ooxml-schemas, empty when absent
    static QString MissingForSchemas(); // xmllint or the schemas
    static QString MissingForPythonDocx();
    static QString MissingForPdf();  // soffice, pdftotext, pdfimages, pdftoppm
    static QString MissingForCalc(); // soffice with LibreOffice Calc

    // xmllint --noout --nonet --schema; `schema` is relative to SchemaFolder().
    static QString ValidateXml(const QString& xmlFile, const QString& schema);
    // Well-formedness only (xmllint --noout --nonet).
    static QString CheckWellFormed(const QString& xmlFile);
    // Validates every XML part of a .docx: document, styles and settings against wml.xsd, content
    // types and relationships against the packaging schemas.
    static QString ValidateDocx(const QString& docxPath);
    // Opens the document with python-docx.
    static QString ReadWithPythonDocx(const QString& docxPath, DocxView* view);
    // Converts all documents in one LibreOffice run (it is slow to start) into `outFolder`; the PDFs
    // keep the documents' base names.
    static QString ConvertToPdf(const QStringList& documents, const QString& outFolder, QStringList* pdfs);
    static QString PdfText(const QString& pdf, QString* text);
    // Page `page` (from 1) of a PDF drawn in grey at 50 dpi by pdftoppm, as the bytes of a PGM image.
    static QString RenderPage(const QString& pdf, int page, QByteArray* image);
    // A spreadsheet's first sheet as CSV text (UTF-8), converted by LibreOffice Calc into `outFolder`.
    static QString ConvertToCsv(const QString& spreadsheet, const QString& outFolder, QString* csv);
    static QString PdfImageCount(const QString& pdf, int* count);
};

#define ZOLT_REQUIRE(missing)                                                                                \
    do {                                                                                                     \
        const QString zoltMissing_ = (missing);                                                              \
        if (!zoltMissing_.isEmpty())                                                                         \
            QSKIP(qPrintable(zoltMissing_));                                                                 \
    } while (false)
