// Text of any kind through CWordOper into both writers: the .docx stays a valid package, the .doc a
// consistent compound file, and both give back exactly the safe form of the text.
//
// Input: the first byte chooses the decoding of the rest (bit 0: raw UTF-16, which reaches lone
// surrogates; else UTF-8 as the data set's cells are read) and whether the text is centred (bit 1).

#include "DocumentChecker.h"
#include "FuzzWorkspace.h"
#include "word/CWordOper.h"
#include "wordfile/TextSanitizer.h"

#include <QFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 64 * 1024)
        return 0;
    const std::uint8_t mode = data[0];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    QString text;
    if (mode & 1) {
        QByteArray aligned(bytes, length - length % 2); // QChar wants 2-byte alignment
        text = QString(reinterpret_cast<const QChar*>(aligned.constData()), aligned.size() / 2);
    } else {
        text = QString::fromUtf8(bytes, length);
    }

    CWordOper word;
    QStringList messages;
    word.SetMessageHandler([&](const QString& message) { messages << message; });
    word.Start();
    word.SetPageMargins(MarginInfo{});
    FontInfo font;
    font.m_strName = QStringLiteral("宋体");
    font.m_fSize = 13;
    word.SetFont(font);
    if (mode & 2)
        word.AlignCenter();
    // The text in a body paragraph, in the three cells of a table and after it.
    word.TypeText(text);
    word.TypeParagraph();
    word.AddTable(1, 3);
    for (int cell = 0; cell < 3; ++cell) {
        word.TypeText(text);
        word.MoveRight();
    }
    word.MoveRight();
    word.TypeText(text);
    const QString safe = Word::TextSanitizer::MakeSafe(text);
    const QString expected = safe + safe + safe + safe + safe;

    const QString docx = FuzzWorkspace::Folder() + QStringLiteral("/text.docx");
    const QString doc = FuzzWorkspace::Folder() + QStringLiteral("/text.doc");
    FuzzWorkspace::Require(word.SaveAs(docx), "saving the .docx", messages.join(u'\n'));
    FuzzWorkspace::Require(word.SaveAs(doc), "saving the .doc", messages.join(u'\n'));
    const QString docxProblem = DocumentChecker::CheckDocx(docx, &expected);
    FuzzWorkspace::Require(docxProblem.isEmpty(), "the .docx", docxProblem);
    const QString docProblem = DocumentChecker::CheckDoc(doc, &expected);
    FuzzWorkspace::Require(docProblem.isEmpty(), "the .doc", docProblem);
    QFile::remove(docx);
    QFile::remove(doc);
    return 0;
}
