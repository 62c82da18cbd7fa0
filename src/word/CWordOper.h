#pragma once

#include "word/DocumentEditor.h"
#include "word/FontInfo.h"
#include "wordfile/IDocumentWriter.h"
#include "wordfile/MarginInfo.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The document producer that the report layouts drive. There is no Word here: the document lives in
// memory (Word::DocumentEditor, with Word's selection model) and SaveAs writes it to a file. The
// operations keep Word's contract: each works at the insertion point and leaves it where Word would.
//
// A move or operation that cannot be made throws Word::OperationError, as Word raises an automation
// error; nothing else throws. Messages for the user (a missing picture, a failed save) go to the
// message handler. All calls on one object come from one thread.
class CWordOper {
public:
    using MessageHandler = std::function<void(const QString& text)>;
    // Makes the writer for a target path; see SaveAs.
    using WriterFactory = std::function<std::unique_ptr<Word::IDocumentWriter>(const QString& path)>;

    CWordOper();
    ~CWordOper();
    CWordOper(const CWordOper&) = delete;
    CWordOper& operator=(const CWordOper&) = delete;

    // Every message box of the producer goes here; without a handler, to qWarning.
    void SetMessageHandler(MessageHandler handler);
    // Replaces the choice of writer by file name (for tests); an empty factory restores it.
    void SetWriterFactory(WriterFactory factory);
    // The writer SaveAs uses for `path` when no factory is set: Word 97-2003 for ".doc" (any case),
    // Office Open XML for every other name.
    static std::unique_ptr<Word::IDocumentWriter> CreateWriterFor(const QString& path);

    // Starts over with one new empty document, the insertion point at its start. Always TRUE.
    bool Start();
    // Writes the document to `path` through a temporary file in the same folder that then replaces
    // the target, so an existing file is only replaced by a complete new one. FALSE after a message.
    bool SaveAs(const QString& path);
    // Drops the document.
    void Quit();

    void SetPageMargins(const MarginInfo& margins);
    void SetFont(const FontInfo& font);
    void AlignCenter();
    void TypeText(const QString& text);
    void TypeParagraph();
    void AddTable(int rows, int cols);
    void MoveRight();
    void MoveDown();
    void MoveLeftThree();
    void ExtendSelection(int left, int right);
    void MergeCells();
    void InsertRowsBelow(int count);
    // FALSE after a message when the file is missing or not a readable image; the document and the
    // insertion point are then unchanged.
    bool InsertPicture(const QString& path, float width, float height);

    // The document as built so far (empty before Start and after Quit).
    const Word::Document& GetDocument() const;
    // The selection, for tests; requires a started document.
    const Word::DocumentEditor& Editor() const;

private:
    Word::DocumentEditor& Started();
    void ShowMessage(const QString& text) const;

    std::optional<Word::DocumentEditor> m_editor;
    MessageHandler m_messageHandler;
    WriterFactory m_writerFactory;
};
