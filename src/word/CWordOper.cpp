#include "word/CWordOper.h"

#include "doc/DocWriter.h"
#include "docx/DocxWriter.h"
#include "word/OperationError.h"
#include "wordfile/AtomicFileSaver.h"
#include "wordfile/PictureGate.h"
#include "wordfile/TextSanitizer.h"

#include <QDebug>
#include <QFileInfo>

CWordOper::CWordOper() = default;

CWordOper::~CWordOper() = default;

void CWordOper::SetMessageHandler(MessageHandler handler) {
    m_messageHandler = std::move(handler);
}

void CWordOper::SetWriterFactory(WriterFactory factory) {
    m_writerFactory = std::move(factory);
}

std::unique_ptr<Word::IDocumentWriter> CWordOper::CreateWriterFor(const QString& path) {
    // ".doc" (any case) gets the Word 97-2003 binary format, every other name Office Open XML.
    if (path.endsWith(QStringLiteral(".doc"), Qt::CaseInsensitive))
        return std::make_unique<Word::DocWriter>();
    return std::make_unique<Word::DocxWriter>();
}

void CWordOper::ShowMessage(const QString& text) const {
    if (m_messageHandler)
        m_messageHandler(text);
    else
        qWarning().noquote() << text;
}

Word::DocumentEditor& CWordOper::Started() {
    if (!m_editor)
        throw Word::OperationError(QStringLiteral("The document producer has not been started."));
    return *m_editor;
}

bool CWordOper::Start() {
    m_editor.emplace();
    return true;
}

void CWordOper::Quit() {
    m_editor.reset();
}

bool CWordOper::SaveAs(const QString& path) {
    if (!m_editor) {
        ShowMessage(QStringLiteral("There is no document to save."));
        return false;
    }
    std::unique_ptr<Word::IDocumentWriter> writer =
        m_writerFactory ? m_writerFactory(path) : CreateWriterFor(path);
    Word::AtomicFileSaver saver;
    QString error;
    if (!writer || !saver.Save(m_editor->GetDocument(), path, *writer, &error)) {
        ShowMessage(writer ? error : QStringLiteral("No writer is available for \"%1\".").arg(path));
        return false;
    }
    return true;
}

void CWordOper::SetPageMargins(const MarginInfo& margins) {
    Started().SetPageMargins(margins);
}

void CWordOper::SetFont(const FontInfo& font) {
    Word::CharFormat format;
    format.fontName = font.m_strName;
    format.sizePt = font.m_fSize;
    format.color = font.m_nColor;
    format.bold = font.m_bBold != 0;
    format.italic = font.m_bItalic != 0;
    format.underline = font.m_bUnderline;
    Started().SetFont(format);
}

void CWordOper::AlignCenter() {
    Started().AlignCenter();
}

void CWordOper::TypeText(const QString& text) {
    Started().TypeText(Word::TextSanitizer::MakeSafe(text));
}

void CWordOper::TypeParagraph() {
    Started().TypeParagraph();
}

void CWordOper::AddTable(int rows, int cols) {
    Started().AddTable(rows, cols);
}

void CWordOper::MoveRight() {
    Started().MoveRight();
}

void CWordOper::MoveDown() {
    Started().MoveDown();
}

void CWordOper::MoveLeftThree() {
    // Three single moves, all or none: a failure leaves the insertion point where it was.
    Word::DocumentEditor& editor = Started();
    Word::DocumentEditor trial = editor;
    for (int i = 0; i < 3; ++i)
        trial.MoveLeft();
    editor = std::move(trial);
}

void CWordOper::ExtendSelection(int left, int right) {
    Started().ExtendSelection(left, right);
}

void CWordOper::MergeCells() {
    Started().MergeCells();
}

void CWordOper::InsertRowsBelow(int count) {
    Started().InsertRowsBelow(count);
}

bool CWordOper::InsertPicture(const QString& path, float width, float height) {
    Word::DocumentEditor& editor = Started();
    Word::Picture picture;
    QString message;
    const Word::PictureGate::Verdict verdict = Word::PictureGate::Admit(path, &picture, &message);
    if (verdict == Word::PictureGate::Verdict::Missing) {
        ShowMessage(message);
        return false;
    }
    if (!(width > 0.0f) || !(height > 0.0f))
        throw Word::OperationError(
            QStringLiteral("A picture needs a positive width and height, not %1 x %2 points.")
                .arg(width)
                .arg(height));
    if (verdict == Word::PictureGate::Verdict::Refused) {
        ShowMessage(message);
        return false;
    }
    picture.widthPt = width;
    picture.heightPt = height;
    editor.InsertPicture(picture);
    return true;
}

const Word::Document& CWordOper::GetDocument() const {
    static const Word::Document empty;
    return m_editor ? m_editor->GetDocument() : empty;
}

const Word::DocumentEditor& CWordOper::Editor() const {
    if (!m_editor)
        throw Word::OperationError(QStringLiteral("The document producer has not been started."));
    return *m_editor;
}
