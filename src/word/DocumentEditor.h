#pragma once

#include "wordfile/WordDocument.h"

#include <QString>

#include <compare>

namespace Word {

// Edits a Document the way a person types in Word: every operation works at the selection, which is
// an insertion point or an extended range (characters of one paragraph, or whole table cells), and
// leaves the insertion point at a definite place. Moves go by character (a picture is one
// character) and by line, through table cells, the end-of-row mark and the paragraphs around tables.
//
// An operation that cannot be carried out throws OperationError and leaves document and selection as
// they were. Text handed to the editor must already be safe (TextSanitizer).
class DocumentEditor {
public:
    // A place between two characters. In a table, `cell` equal to the row's cell count is the
    // end-of-row mark, a place where the insertion point can stand but nothing can be typed.
    struct Position {
        int element = 0;   // index into Document::body
        int row = -1;      // -1: a paragraph of the body; else the table row
        int cell = 0;      // cell of the row
        int paragraph = 0; // paragraph of the cell
        int offset = 0;    // in UTF-16 units within the paragraph; a picture counts as one

        auto operator<=>(const Position&) const = default;
        bool InTable() const { return row >= 0; }
    };

    // Cells covered by an extended selection: whole rows when firstRow != lastRow.
    struct CellRange {
        int element = 0;
        int firstRow = 0;
        int lastRow = 0;
        int firstCell = 0; // in firstRow
        int lastCell = 0;  // in lastRow
    };

    enum class SelectionShape { InsertionPoint, Text, Cells };

    DocumentEditor(); // one empty paragraph, insertion point at its start

    const Document& GetDocument() const { return m_document; }
    Position Anchor() const { return m_anchor; }
    Position Active() const { return m_active; }
    SelectionShape Shape() const;
    CellRange SelectedCells() const; // only for SelectionShape::Cells
    const CharFormat& CurrentFormat() const { return m_format; }

    void SetPageMargins(const MarginInfo& margins);
    void SetFont(const CharFormat& format);
    void AlignCenter();
    void TypeText(const QString& safeText);
    void TypeParagraph();
    void AddTable(int rows, int cols);
    void MoveRight();
    void MoveLeft();
    void MoveDown();
    void ExtendSelection(int left, int right);
    void MergeCells();
    void InsertRowsBelow(int count);
    // Inserts the picture at the insertion point and moves one character right of it; at the very
    // end of the document, where no move is possible, the insertion point stays behind the picture.
    void InsertPicture(const Picture& picture);

private:
    struct Classified {
        SelectionShape shape = SelectionShape::InsertionPoint;
        CellRange cells;
    };

    Paragraph& ParagraphAt(const Position& p);
    const Paragraph& ParagraphAt(const Position& p) const;
    const Table& TableAt(int element) const;
    Table& TableAt(int element);
    bool IsEndOfRow(const Position& p) const;
    bool IsLastOfDocument(const Position& p) const;

    bool Next(const Position& p, Position* next) const;
    bool Prev(const Position& p, Position* prev) const;
    Position Down(const Position& p) const;
    Position FirstLine(int element, int row, int cell, int paragraph, int column) const;
    Position StartOfCell(int element, int row, int cell) const;
    Position EndOfCell(int element, int row, int cell) const;
    Position AfterCell(int element, int row, int cell) const;

    Classified Classify(const Position& anchor, const Position& active) const;
    Position SelectionStart() const;
    Position SelectionEnd() const;
    Position CaretAfterReplace() const;
    void ReplaceSelection();
    void Collapse(const Position& p);
    void RequireTypingPlace(const Position& p, const char* what) const;

    CharFormat FormatAt(const Position& p) const;
    void InsertRun(const Position& p, Run run);

    Document m_document;
    Position m_anchor;
    Position m_active;
    CharFormat m_format; // what text typed next gets
};

} // namespace Word
