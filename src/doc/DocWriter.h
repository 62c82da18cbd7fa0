#pragma once

#include "wordfile/IDocumentWriter.h"

#include <QByteArray>
#include <QDateTime>

namespace Word {

// Writes a Word 97-2003 binary document ([MS-DOC] in a compound file, [MS-CFB]): the text as one
// UTF-16 piece, character and paragraph properties on 512-byte pages, a style sheet, the font table
// with 宋体 as the East Asian font, document properties, one A4 section with the document's margins,
// tables with borders on every cell, and inline PNG/JPEG pictures in the Data stream.
//
// The file is written front to back: pictures are copied from their files into the Data stream one
// at a time, so memory does not grow with their number; the text and its tables follow.
class DocWriter : public IDocumentWriter {
public:
    bool WriteFile(const Document& document, const QString& path, QString* error) override;

    // The document's creation time in the file's properties; now, unless set (for tests).
    void SetTimestamp(const QDateTime& time) { m_time = time; }

private:
    static QByteArray Sepx(const PageSetup& page);
    QByteArray Dop() const;
    static QByteArray CompObj();
    QByteArray SummaryInformation() const;

    QDateTime m_time;
};

} // namespace Word
