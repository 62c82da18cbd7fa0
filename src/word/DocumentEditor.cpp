#include "word/DocumentEditor.h"

#include "word/OperationError.h"

#include <algorithm>
#include <utility>

namespace Word {

namespace {

int RunLength(const Run& run) {
    return run.IsPicture() ? 1 : static_cast<int>(run.text.size());
}

int ParagraphLength(const Paragraph& paragraph) {
    int length = 0;
    for (const Run& run : paragraph.runs)
        length += RunLength(run);
    return length;
}

// The UTF-16 unit at `offset`, or 0 for a picture or the end.
QChar UnitAt(const Paragraph& paragraph, int offset) {
    for (const Run& run : paragraph.runs) {
        const int length = RunLength(run);
        if (offset < length)
            return run.IsPicture() ? QChar() : run.text.at(offset);
        offset -= length;
    }
    return QChar();
}

// One character to the right or left, never into the middle of a surrogate pair.
int StepRight(const Paragraph& paragraph, int offset) {
    return UnitAt(paragraph, offset).isHighSurrogate() ? offset + 2 : offset + 1;
}

int StepLeft(const Paragraph& paragraph, int offset) {
    return offset >= 2 && UnitAt(paragraph, offset - 1).isLowSurrogate() ? offset - 2 : offset - 1;
}

// Makes a run boundary at `offset` and returns the index of the first run at or after it.
int SplitAt(Paragraph& paragraph, int offset) {
    int index = 0;
    for (; index < static_cast<int>(paragraph.runs.size()); ++index) {
        Run& run = paragraph.runs[index];
        const int length = RunLength(run);
        if (offset == 0)
            return index;
        if (offset < length) {
            Run tail = run;
            tail.text = run.text.mid(offset);
            run.text.truncate(offset);
            paragraph.runs.insert(paragraph.runs.begin() + index + 1, std::move(tail));
            return index + 1;
        }
        offset -= length;
    }
    return index;
}

// Joins neighbouring text runs of one format and drops empty ones, so the file stays compact.
void Normalise(Paragraph& paragraph) {
    std::vector<Run> runs;
    for (Run& run : paragraph.runs) {
        if (!run.IsPicture() && run.text.isEmpty())
            continue;
        if (!runs.empty() && !run.IsPicture() && !runs.back().IsPicture() && runs.back().format == run.format)
            runs.back().text += run.text;
        else
            runs.push_back(std::move(run));
    }
    paragraph.runs = std::move(runs);
}

// Makes run boundaries at `from` and `to` and returns the runs between them as [first, end).
std::pair<int, int> IsolateRange(Paragraph& paragraph, int from, int to) {
    SplitAt(paragraph, to);
    const int first = SplitAt(paragraph, from);
    int end = first;
    for (int covered = 0; end < static_cast<int>(paragraph.runs.size()) && covered < to - from; ++end)
        covered += RunLength(paragraph.runs[end]);
    return {first, end};
}

void DeleteRange(Paragraph& paragraph, int from, int to) {
    const auto [first, end] = IsolateRange(paragraph, from, to);
    paragraph.runs.erase(paragraph.runs.begin() + first, paragraph.runs.begin() + end);
    Normalise(paragraph);
}

// Start offsets of the lines of a paragraph: 0 and the place after every line break.
std::vector<int> LineStarts(const Paragraph& paragraph) {
    std::vector<int> starts{0};
    int offset = 0;
    for (const Run& run : paragraph.runs) {
        if (!run.IsPicture()) {
            for (qsizetype i = 0; i < run.text.size(); ++i) {
                if (run.text.at(i) == QChar(u'\n'))
                    starts.push_back(offset + static_cast<int>(i) + 1);
            }
        }
        offset += RunLength(run);
    }
    return starts;
}

int LineOf(const std::vector<int>& starts, int offset) {
    int line = 0;
    while (line + 1 < static_cast<int>(starts.size()) && starts[line + 1] <= offset)
        ++line;
    return line;
}

// The offset `column` characters into the given line, clamped to the line's end.
int ColumnInLine(const Paragraph& paragraph, const std::vector<int>& starts, int line, int column) {
    const int start = starts[line];
    const int end =
        line + 1 < static_cast<int>(starts.size()) ? starts[line + 1] - 1 : ParagraphLength(paragraph);
    int offset = std::min(start + column, end);
    if (offset > start && UnitAt(paragraph, offset).isLowSurrogate())
        --offset;
    return offset;
}

Paragraph EmptyParagraphLike(const Paragraph& model, const CharFormat& mark) {
    Paragraph paragraph;
    paragraph.alignment = model.alignment;
    paragraph.markFormat = mark;
    return paragraph;
}

} // namespace

DocumentEditor::DocumentEditor() {
    m_document.body.emplace_back(Paragraph{});
}

// ----- access ------------------------------------------------------------------------------------

const Table& DocumentEditor::TableAt(int element) const {
    return std::get<Table>(m_document.body[element]);
}

Table& DocumentEditor::TableAt(int element) {
    return std::get<Table>(m_document.body[element]);
}

const Paragraph& DocumentEditor::ParagraphAt(const Position& p) const {
    if (!p.InTable())
        return std::get<Paragraph>(m_document.body[p.element]);
    return TableAt(p.element).rows[p.row].cells[p.cell].paragraphs[p.paragraph];
}

Paragraph& DocumentEditor::ParagraphAt(const Position& p) {
    return const_cast<Paragraph&>(std::as_const(*this).ParagraphAt(p));
}

bool DocumentEditor::IsEndOfRow(const Position& p) const {
    return p.InTable() && p.cell == static_cast<int>(TableAt(p.element).rows[p.row].cells.size());
}

DocumentEditor::Position DocumentEditor::StartOfCell(int element, int row, int cell) const {
    return Position{element, row, cell, 0, 0};
}

DocumentEditor::Position DocumentEditor::EndOfCell(int element, int row, int cell) const {
    const TableCell& c = TableAt(element).rows[row].cells[cell];
    const int last = static_cast<int>(c.paragraphs.size()) - 1;
    return Position{element, row, cell, last, ParagraphLength(c.paragraphs[last])};
}

// The place right after the cell's end-of-cell mark: the next cell's start or the end-of-row mark.
DocumentEditor::Position DocumentEditor::AfterCell(int element, int row, int cell) const {
    return Position{element, row, cell + 1, 0, 0};
}

// ----- moves -------------------------------------------------------------------------------------

bool DocumentEditor::Next(const Position& p, Position* next) const {
    const int elementCount = static_cast<int>(m_document.body.size());
    auto enterElement = [&](int element) {
        if (element >= elementCount)
            return false;
        *next = Position{element, std::holds_alternative<Table>(m_document.body[element]) ? 0 : -1, 0, 0, 0};
        return true;
    };
    if (!p.InTable()) {
        const Paragraph& paragraph = ParagraphAt(p);
        if (p.offset < ParagraphLength(paragraph)) {
            *next = p;
            next->offset = StepRight(paragraph, p.offset);
            return true;
        }
        return enterElement(p.element + 1);
    }
    const Table& table = TableAt(p.element);
    if (IsEndOfRow(p)) {
        if (p.row + 1 < static_cast<int>(table.rows.size())) {
            *next = StartOfCell(p.element, p.row + 1, 0);
            return true;
        }
        return enterElement(p.element + 1);
    }
    const TableCell& cell = table.rows[p.row].cells[p.cell];
    const Paragraph& paragraph = cell.paragraphs[p.paragraph];
    *next = p;
    if (p.offset < ParagraphLength(paragraph)) {
        next->offset = StepRight(paragraph, p.offset);
    } else if (p.paragraph + 1 < static_cast<int>(cell.paragraphs.size())) {
        next->paragraph = p.paragraph + 1;
        next->offset = 0;
    } else {
        *next = AfterCell(p.element, p.row, p.cell);
    }
    return true;
}

bool DocumentEditor::Prev(const Position& p, Position* prev) const {
    auto leaveBackwards = [&](int element) {
        if (element < 0)
            return false;
        if (std::holds_alternative<Table>(m_document.body[element])) {
            const Table& table = TableAt(element);
            const int row = static_cast<int>(table.rows.size()) - 1;
            *prev = Position{element, row, static_cast<int>(table.rows[row].cells.size()), 0, 0};
        } else {
            const Paragraph& paragraph = std::get<Paragraph>(m_document.body[element]);
            *prev = Position{element, -1, 0, 0, ParagraphLength(paragraph)};
        }
        return true;
    };
    if (!p.InTable()) {
        if (p.offset > 0) {
            *prev = p;
            prev->offset = StepLeft(ParagraphAt(p), p.offset);
            return true;
        }
        return leaveBackwards(p.element - 1);
    }
    if (IsEndOfRow(p)) {
        *prev = EndOfCell(p.element, p.row, p.cell - 1);
        return true;
    }
    if (p.offset > 0) {
        *prev = p;
        prev->offset = StepLeft(ParagraphAt(p), p.offset);
        return true;
    }
    if (p.paragraph > 0) {
        *prev = p;
        prev->paragraph = p.paragraph - 1;
        prev->offset = ParagraphLength(ParagraphAt(*prev));
        return true;
    }
    if (p.cell > 0) {
        *prev = EndOfCell(p.element, p.row, p.cell - 1);
        return true;
    }
    if (p.row > 0) {
        const Table& table = TableAt(p.element);
        *prev = Position{p.element, p.row - 1, static_cast<int>(table.rows[p.row - 1].cells.size()), 0, 0};
        return true;
    }
    return leaveBackwards(p.element - 1);
}

DocumentEditor::Position DocumentEditor::FirstLine(int element, int row, int cell, int paragraph,
                                                   int column) const {
    Position p{element, row, cell, paragraph, 0};
    const Paragraph& target = ParagraphAt(p);
    p.offset = ColumnInLine(target, LineStarts(target), 0, column);
    return p;
}

// One line down, keeping the column where the target line is long enough.
DocumentEditor::Position DocumentEditor::Down(const Position& p) const {
    const int elementCount = static_cast<int>(m_document.body.size());
    auto enterElement = [&](int element, int column) {
        if (element >= elementCount)
            throw OperationError(QStringLiteral("The insertion point is in the last line of the document and "
                                                "cannot move down."));
        if (std::holds_alternative<Table>(m_document.body[element]))
            return FirstLine(element, 0, 0, 0, column);
        return FirstLine(element, -1, 0, 0, column);
    };
    if (IsEndOfRow(p)) {
        const Table& table = TableAt(p.element);
        if (p.row + 1 < static_cast<int>(table.rows.size()))
            return Position{p.element, p.row + 1, static_cast<int>(table.rows[p.row + 1].cells.size()), 0, 0};
        return enterElement(p.element + 1, 0);
    }
    const Paragraph& paragraph = ParagraphAt(p);
    const std::vector<int> starts = LineStarts(paragraph);
    const int line = LineOf(starts, p.offset);
    const int column = p.offset - starts[line];
    if (line + 1 < static_cast<int>(starts.size())) {
        Position down = p;
        down.offset = ColumnInLine(paragraph, starts, line + 1, column);
        return down;
    }
    if (!p.InTable())
        return enterElement(p.element + 1, column);
    const Table& table = TableAt(p.element);
    const TableCell& cell = table.rows[p.row].cells[p.cell];
    if (p.paragraph + 1 < static_cast<int>(cell.paragraphs.size()))
        return FirstLine(p.element, p.row, p.cell, p.paragraph + 1, column);
    if (p.row + 1 >= static_cast<int>(table.rows.size()))
        return enterElement(p.element + 1, column);
    // The cell below is the one that covers the grid column where the current cell begins.
    int gridColumn = 0;
    for (int i = 0; i < p.cell; ++i)
        gridColumn += table.rows[p.row].cells[i].gridSpan;
    const std::vector<TableCell>& below = table.rows[p.row + 1].cells;
    int target = 0;
    for (int start = 0; target + 1 < static_cast<int>(below.size()); ++target) {
        start += below[target].gridSpan;
        if (start > gridColumn)
            break;
    }
    return FirstLine(p.element, p.row + 1, target, 0, column);
}

void DocumentEditor::MoveRight() {
    const Position from = SelectionEnd();
    Position to;
    if (!Next(from, &to))
        throw OperationError(
            QStringLiteral("The insertion point is at the end of the document and cannot move "
                           "right."));
    Collapse(to);
}

void DocumentEditor::MoveLeft() {
    const Position from = SelectionStart();
    Position to;
    if (!Prev(from, &to))
        throw OperationError(QStringLiteral("The insertion point is at the start of the document and cannot "
                                            "move left."));
    Collapse(to);
}

void DocumentEditor::MoveDown() {
    Collapse(Down(SelectionEnd()));
}

void DocumentEditor::ExtendSelection(int left, int right) {
    Position active = m_active;
    for (int i = 0; i < left; ++i) {
        if (!Prev(active, &active))
            throw OperationError(QStringLiteral("The selection cannot be extended past the start of the "
                                                "document."));
        Classify(m_anchor, active);
    }
    for (int i = 0; i < right; ++i) {
        if (!Next(active, &active))
            throw OperationError(QStringLiteral("The selection cannot be extended past the end of the "
                                                "document."));
        Classify(m_anchor, active);
    }
    m_active = active;
}

void DocumentEditor::Collapse(const Position& p) {
    m_anchor = p;
    m_active = p;
    m_format = FormatAt(p);
}

// ----- the selection -----------------------------------------------------------------------------

DocumentEditor::Classified DocumentEditor::Classify(const Position& anchor, const Position& active) const {
    Classified result;
    if (anchor == active)
        return result;
    const Position& first = std::min(anchor, active);
    const Position& last = std::max(anchor, active);
    if (first.element == last.element && first.row == last.row && first.cell == last.cell &&
        first.paragraph == last.paragraph && !IsEndOfRow(first)) {
        result.shape = SelectionShape::Text;
        return result;
    }
    if (first.element != last.element || !first.InTable())
        throw OperationError(QStringLiteral("The selection can only be extended within one paragraph or over "
                                            "the cells of one table."));
    if (first.row == last.row && first.cell == last.cell)
        throw OperationError(QStringLiteral("The selection cannot be extended over several paragraphs of a "
                                            "table cell."));
    // Up to the start of a cell or an end-of-row mark: the characters taken in end with the previous cell.
    const bool lastAtCellStart = IsEndOfRow(last) || (last.paragraph == 0 && last.offset == 0);
    result.shape = SelectionShape::Cells;
    result.cells.element = first.element;
    result.cells.firstRow = first.row;
    result.cells.firstCell = first.cell;
    result.cells.lastRow = last.row;
    result.cells.lastCell = last.cell;
    if (lastAtCellStart) {
        if (last.cell > 0) {
            result.cells.lastCell = last.cell - 1;
        } else {
            result.cells.lastRow = last.row - 1;
            result.cells.lastCell =
                static_cast<int>(TableAt(last.element).rows[last.row - 1].cells.size()) - 1;
        }
    }
    if (result.cells.lastRow != result.cells.firstRow) {
        if (IsEndOfRow(first))
            throw OperationError(QStringLiteral("The selection cannot be extended beyond the end of a table "
                                                "row."));
        // Cells of several rows: whole rows.
        result.cells.firstCell = 0;
        result.cells.lastCell =
            static_cast<int>(TableAt(last.element).rows[result.cells.lastRow].cells.size()) - 1;
    }
    return result;
}

DocumentEditor::SelectionShape DocumentEditor::Shape() const {
    return Classify(m_anchor, m_active).shape;
}

DocumentEditor::CellRange DocumentEditor::SelectedCells() const {
    return Classify(m_anchor, m_active).cells;
}

DocumentEditor::Position DocumentEditor::SelectionStart() const {
    const Classified c = Classify(m_anchor, m_active);
    if (c.shape == SelectionShape::Cells)
        return StartOfCell(c.cells.element, c.cells.firstRow, c.cells.firstCell);
    return std::min(m_anchor, m_active);
}

DocumentEditor::Position DocumentEditor::SelectionEnd() const {
    const Classified c = Classify(m_anchor, m_active);
    if (c.shape == SelectionShape::Cells)
        return EndOfCell(c.cells.element, c.cells.lastRow, c.cells.lastCell);
    return std::max(m_anchor, m_active);
}

DocumentEditor::Position DocumentEditor::CaretAfterReplace() const {
    return SelectionStart();
}

// Typing replaces an extended selection: selected characters are deleted, selected cells emptied.
void DocumentEditor::ReplaceSelection() {
    const Classified c = Classify(m_anchor, m_active);
    const Position start = SelectionStart();
    if (c.shape == SelectionShape::Text) {
        const Position end = SelectionEnd();
        DeleteRange(ParagraphAt(start), start.offset, end.offset);
    } else if (c.shape == SelectionShape::Cells) {
        Table& table = TableAt(c.cells.element);
        for (int row = c.cells.firstRow; row <= c.cells.lastRow; ++row) {
            std::vector<TableCell>& cells = table.rows[row].cells;
            const int first = row == c.cells.firstRow ? c.cells.firstCell : 0;
            const int last = row == c.cells.lastRow ? c.cells.lastCell : static_cast<int>(cells.size()) - 1;
            for (int i = first; i <= last; ++i) {
                TableCell& cell = cells[i];
                Paragraph emptied =
                    EmptyParagraphLike(cell.paragraphs.front(), cell.paragraphs.back().markFormat);
                cell.paragraphs.assign(1, emptied);
            }
        }
    }
    m_anchor = start;
    m_active = start;
}

void DocumentEditor::RequireTypingPlace(const Position& p, const char* what) const {
    if (IsEndOfRow(p))
        throw OperationError(QStringLiteral("%1 is not possible at the end-of-row mark of a table.")
                                 .arg(QString::fromLatin1(what)));
}

// ----- formats -----------------------------------------------------------------------------------

// The format of the character before the insertion point; at a paragraph's start that of its first
// character, in an empty paragraph that of its mark.
CharFormat DocumentEditor::FormatAt(const Position& p) const {
    if (IsEndOfRow(p))
        return m_format;
    const Paragraph& paragraph = ParagraphAt(p);
    int offset = p.offset;
    const Run* before = nullptr;
    for (const Run& run : paragraph.runs) {
        if (offset <= 0)
            break;
        before = &run;
        offset -= RunLength(run);
    }
    if (before != nullptr)
        return before->format;
    if (!paragraph.runs.empty())
        return paragraph.runs.front().format;
    return paragraph.markFormat;
}

void DocumentEditor::SetFont(const CharFormat& format) {
    const Classified c = Classify(m_anchor, m_active);
    if (c.shape == SelectionShape::InsertionPoint) {
        if (!IsEndOfRow(m_active)) {
            Paragraph& paragraph = ParagraphAt(m_active);
            if (paragraph.runs.empty())
                paragraph.markFormat = format;
        }
    } else if (c.shape == SelectionShape::Text) {
        const Position start = SelectionStart();
        Paragraph& paragraph = ParagraphAt(start);
        const auto [first, end] = IsolateRange(paragraph, start.offset, SelectionEnd().offset);
        for (int i = first; i < end; ++i)
            paragraph.runs[i].format = format;
        Normalise(paragraph);
    } else {
        Table& table = TableAt(c.cells.element);
        for (int row = c.cells.firstRow; row <= c.cells.lastRow; ++row) {
            std::vector<TableCell>& cells = table.rows[row].cells;
            const int first = row == c.cells.firstRow ? c.cells.firstCell : 0;
            const int last = row == c.cells.lastRow ? c.cells.lastCell : static_cast<int>(cells.size()) - 1;
            for (int i = first; i <= last; ++i) {
                for (Paragraph& paragraph : cells[i].paragraphs) {
                    for (Run& run : paragraph.runs)
                        run.format = format;
                    paragraph.markFormat = format;
                    Normalise(paragraph);
                }
            }
        }
    }
    m_format = format;
}

void DocumentEditor::AlignCenter() {
    const Classified c = Classify(m_anchor, m_active);
    if (c.shape != SelectionShape::Cells) {
        if (!IsEndOfRow(m_active))
            ParagraphAt(m_active).alignment = Alignment::Center;
        return;
    }
    Table& table = TableAt(c.cells.element);
    for (int row = c.cells.firstRow; row <= c.cells.lastRow; ++row) {
        std::vector<TableCell>& cells = table.rows[row].cells;
        const int first = row == c.cells.firstRow ? c.cells.firstCell : 0;
        const int last = row == c.cells.lastRow ? c.cells.lastCell : static_cast<int>(cells.size()) - 1;
        for (int i = first; i <= last; ++i) {
            for (Paragraph& paragraph : cells[i].paragraphs)
                paragraph.alignment = Alignment::Center;
        }
    }
}

void DocumentEditor::SetPageMargins(const MarginInfo& margins) {
    m_document.page.margins = margins;
}

// ----- content -----------------------------------------------------------------------------------

void DocumentEditor::InsertRun(const Position& p, Run run) {
    Paragraph& paragraph = ParagraphAt(p);
    const int index = SplitAt(paragraph, p.offset);
    paragraph.runs.insert(paragraph.runs.begin() + index, std::move(run));
    Normalise(paragraph);
}

void DocumentEditor::TypeText(const QString& safeText) {
    if (safeText.isEmpty())
        return;
    RequireTypingPlace(CaretAfterReplace(), "Typing text");
    ReplaceSelection();
    Run run;
    run.text = safeText;
    run.format = m_format;
    InsertRun(m_active, std::move(run));
    m_active.offset += static_cast<int>(safeText.size());
    m_anchor = m_active;
}

void DocumentEditor::TypeParagraph() {
    RequireTypingPlace(CaretAfterReplace(), "A paragraph break");
    ReplaceSelection();
    const Position at = m_active;
    Paragraph& paragraph = ParagraphAt(at);
    const int index = SplitAt(paragraph, at.offset);
    Paragraph tail = EmptyParagraphLike(paragraph, m_format);
    tail.runs.assign(std::make_move_iterator(paragraph.runs.begin() + index),
                     std::make_move_iterator(paragraph.runs.end()));
    paragraph.runs.erase(paragraph.runs.begin() + index, paragraph.runs.end());
    Position next = at;
    if (at.InTable()) {
        std::vector<Paragraph>& paragraphs = TableAt(at.element).rows[at.row].cells[at.cell].paragraphs;
        paragraphs.insert(paragraphs.begin() + at.paragraph + 1, std::move(tail));
        next.paragraph = at.paragraph + 1;
    } else {
        m_document.body.insert(m_document.body.begin() + at.element + 1, BodyElement(std::move(tail)));
        next.element = at.element + 1;
    }
    next.offset = 0;
    m_anchor = next;
    m_active = next;
}

void DocumentEditor::AddTable(int rows, int cols) {
    if (rows < 1 || cols < 1 || cols > 63 || rows > 32767)
        throw OperationError(
            QStringLiteral("A table of %1 rows and %2 columns cannot be added: a table has 1 "
                           "to 32767 rows and 1 to 63 columns.")
                .arg(rows)
                .arg(cols));
    const Position at = CaretAfterReplace();
    if (at.InTable())
        throw OperationError(QStringLiteral("A table cannot be added inside a table."));
    ReplaceSelection();

    Paragraph& paragraph = std::get<Paragraph>(m_document.body[at.element]);
    const int index = SplitAt(paragraph, at.offset);
    Paragraph after = EmptyParagraphLike(paragraph, paragraph.markFormat);
    after.runs.assign(std::make_move_iterator(paragraph.runs.begin() + index),
                      std::make_move_iterator(paragraph.runs.end()));
    paragraph.runs.erase(paragraph.runs.begin() + index, paragraph.runs.end());

    Table table;
    table.gridColumns = cols;
    TableCell cell;
    cell.paragraphs.push_back(EmptyParagraphLike(paragraph, m_format));
    TableRow row;
    row.cells.assign(cols, cell);
    table.rows.assign(rows, row);

    // The text before the insertion point stays a paragraph before the table; an empty one is kept only
    // to keep two tables apart. The rest of the paragraph follows the table.
    const bool keepBefore =
        at.offset > 0 || (at.element > 0 && std::holds_alternative<Table>(m_document.body[at.element - 1]));
    int tableElement = at.element;
    if (keepBefore) {
        tableElement = at.element + 1;
        m_document.body.insert(m_document.body.begin() + tableElement, BodyElement(std::move(after)));
    } else {
        m_document.body[at.element] = BodyElement(std::move(after));
    }
    m_document.body.insert(m_document.body.begin() + tableElement, BodyElement(std::move(table)));
    m_anchor = StartOfCell(tableElement, 0, 0);
    m_active = m_anchor;
}

void DocumentEditor::MergeCells() {
    Position active = m_active;
    for (int i = 0; i < 4; ++i) {
        if (!Next(active, &active))
            throw OperationError(
                QStringLiteral("The cells cannot be merged: the selection cannot be extended "
                               "past the end of the document."));
        Classify(m_anchor, active);
    }
    const Classified c = Classify(m_anchor, active);
    if (c.shape != SelectionShape::Cells || c.cells.firstRow != c.cells.lastRow ||
        c.cells.firstCell == c.cells.lastCell)
        throw OperationError(
            QStringLiteral("The cells cannot be merged: the selection does not cover several "
                           "cells of one table row."));

    TableRow& row = TableAt(c.cells.element).rows[c.cells.firstRow];
    TableCell merged;
    merged.gridSpan = 0;
    for (int i = c.cells.firstCell; i <= c.cells.lastCell; ++i) {
        TableCell& cell = row.cells[i];
        merged.gridSpan += cell.gridSpan;
        const bool empty = cell.paragraphs.size() == 1 && cell.paragraphs.front().runs.empty();
        if (!empty)
            merged.paragraphs.insert(merged.paragraphs.end(), cell.paragraphs.begin(), cell.paragraphs.end());
    }
    if (merged.paragraphs.empty())
        merged.paragraphs.push_back(row.cells[c.cells.firstCell].paragraphs.front());
    row.cells.erase(row.cells.begin() + c.cells.firstCell + 1, row.cells.begin() + c.cells.lastCell + 1);
    row.cells[c.cells.firstCell] = std::move(merged);
    // The merged cell stays selected, so text typed next replaces its content.
    m_anchor = StartOfCell(c.cells.element, c.cells.firstRow, c.cells.firstCell);
    m_active = AfterCell(c.cells.element, c.cells.firstRow, c.cells.firstCell);
    m_format = FormatAt(m_anchor);
}

void DocumentEditor::InsertRowsBelow(int count) {
    if (count < 1)
        throw OperationError(QStringLiteral("At least one row must be inserted."));
    const Classified c = Classify(m_anchor, m_active);
    int element = m_active.element;
    int rowIndex = m_active.row;
    if (c.shape == SelectionShape::Cells) {
        element = c.cells.element;
        rowIndex = c.cells.lastRow;
    } else if (!m_active.InTable()) {
        throw OperationError(
            QStringLiteral("Rows can only be inserted when the insertion point is in a table."));
    }
    Table& table = TableAt(element);
    TableRow model;
    for (const TableCell& cell : table.rows[rowIndex].cells) {
        TableCell copy;
        copy.gridSpan = cell.gridSpan;
        copy.paragraphs.push_back(
            EmptyParagraphLike(cell.paragraphs.front(), cell.paragraphs.back().markFormat));
        model.cells.push_back(std::move(copy));
    }
    table.rows.insert(table.rows.begin() + rowIndex + 1, count, model);
    // The new rows are selected; text typed next replaces them from their first cell on.
    m_anchor = StartOfCell(element, rowIndex + 1, 0);
    m_active = Position{element, rowIndex + count, static_cast<int>(model.cells.size()), 0, 0};
    m_format = FormatAt(m_anchor);
}

void DocumentEditor::InsertPicture(const Picture& picture) {
    RequireTypingPlace(CaretAfterReplace(), "Inserting a picture");
    ReplaceSelection();
    m_document.pictures.push_back(picture);
    Run run;
    run.format = m_format;
    run.picture = static_cast<int>(m_document.pictures.size()) - 1;
    InsertRun(m_active, std::move(run));
    Position behind = m_active;
    behind.offset += 1;
    Position next;
    Collapse(Next(behind, &next) ? next : behind);
}

} // namespace Word
