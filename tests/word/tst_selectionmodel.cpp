#include "WordTestHelpers.h"
#include "docx/DocxDocumentPart.h"
#include "word/CWordOper.h"
#include "word/OperationError.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace WordTest;
using Word::DocumentEditor;

namespace {

QString Text(const Word::Paragraph& paragraph) {
    QString text;
    for (const Word::Run& run : paragraph.runs)
        text += run.IsPicture() ? QStringLiteral("[P%1]").arg(run.picture) : run.text;
    return text;
}

QString Text(const Word::TableCell& cell) {
    QStringList parts;
    for (const Word::Paragraph& paragraph : cell.paragraphs)
        parts << Text(paragraph);
    return parts.join(u'|');
}

const Word::Table& TableAt(const CWordOper& word, int element) {
    return std::get<Word::Table>(word.GetDocument().body.at(element));
}

const Word::Paragraph& ParagraphAt(const CWordOper& word, int element) {
    return std::get<Word::Paragraph>(word.GetDocument().body.at(element));
}

QList<int> Spans(const Word::TableRow& row) {
    QList<int> spans;
    for (const Word::TableCell& cell : row.cells)
        spans << cell.gridSpan;
    return spans;
}

DocumentEditor::Position Caret(const CWordOper& word) {
    return word.Editor().Active();
}

// The document's serialised form: equal bytes mean an unchanged document.
QByteArray Snapshot(const CWordOper& word) {
    std::vector<QString> ids(word.GetDocument().pictures.size(), QStringLiteral("rId"));
    return Word::DocxDocumentPart::Build(word.GetDocument(), ids);
}

// The data table of the report: header row with three merged picture headers.
void BuildHeaderRow(CWordOper& word) {
    word.AddTable(1, 14);
    word.TypeText(QStringLiteral("序号"));
    word.MoveRight();
    word.TypeText(QStringLiteral("有效值"));
    word.MoveRight();
    for (const QString& header :
         {QStringLiteral("波形图"), QStringLiteral("连续图"), QStringLiteral("PRPD图")}) {
        word.MergeCells();
        word.TypeText(header);
        word.MoveRight();
    }
}

} // namespace

class TestSelectionModel : public QObject {
    Q_OBJECT

private slots:
    void init();
    void startGivesOneEmptyParagraph();
    void impossibleMovesThrowAndChangeNothing();
    void extendSelectionZeroDoesNothing();
    void tableWalkFourByFour();
    void mergedHeaderRowSpans();
    void mergeWithoutThreeCellsToTheRightThrows();
    void insertRowsBelowCopiesCellsAndTakesText();
    void picturesInARowAndLeavingTheTable();
    void missingPictureLeavesDocumentAndCaret();
    void unreadablePicturesAreRefused_data();
    void unreadablePicturesAreRefused();
    void pictureFormatsAreRecognised();
    void alignCenterIsInheritedByNewParagraphsAndCells();
    void fontAppliesToTextTypedNext();
    void typedTextIsMadeSafe();
    void tableInTheMiddleOfAParagraph();
    void moveRightCollapsesASelectionToItsEnd();
    void typingReplacesSelectedText();
    void operationsBeforeStartThrow();

private:
    QTemporaryDir m_dir;
    CWordOper m_word;
    QStringList m_messages;
};

void TestSelectionModel::init() {
    m_messages.clear();
    m_word.SetMessageHandler([this](const QString& text) { m_messages << text; });
    QVERIFY(m_word.Start());
}

void TestSelectionModel::startGivesOneEmptyParagraph() {
    m_word.TypeText(QStringLiteral("old"));
    QVERIFY(m_word.Start());
    const Word::Document& document = m_word.GetDocument();
    QCOMPARE(document.body.size(), std::size_t(1));
    QVERIFY(ParagraphAt(m_word, 0).runs.empty());
    QCOMPARE(Caret(m_word), DocumentEditor::Position{});
    m_word.Quit();
    QVERIFY(m_word.GetDocument().body.empty());
}

void TestSelectionModel::impossibleMovesThrowAndChangeNothing() {
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.MoveRight());
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.MoveDown());
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.MoveLeftThree());
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.ExtendSelection(1, 0));

    // Two characters to the left are possible, the third is not: nothing moves at all.
    m_word.TypeText(QStringLiteral("ab"));
    const DocumentEditor::Position before = Caret(m_word);
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.MoveLeftThree());
    QCOMPARE(Caret(m_word), before);
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.InsertRowsBelow(1));
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.MergeCells());
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.AddTable(0, 3));
    QCOMPARE(Text(ParagraphAt(m_word, 0)), QStringLiteral("ab"));
    QCOMPARE(m_word.GetDocument().body.size(), std::size_t(1));
}

void TestSelectionModel::extendSelectionZeroDoesNothing() {
    m_word.TypeText(QStringLiteral("abc"));
    const DocumentEditor::Position before = Caret(m_word);
    m_word.ExtendSelection(0, 0);
    m_word.ExtendSelection(-2, -1);
    QCOMPARE(m_word.Editor().Anchor(), before);
    QCOMPARE(Caret(m_word), before);
    QVERIFY(m_word.Editor().Shape() == DocumentEditor::SelectionShape::InsertionPoint);
}

void TestSelectionModel::tableWalkFourByFour() {
    m_word.TypeText(QStringLiteral("heading"));
    m_word.TypeParagraph();
    m_word.AddTable(4, 4);
    // The heading stays a paragraph; the empty paragraph became the table with a paragraph after it.
    QCOMPARE(m_word.GetDocument().body.size(), std::size_t(3));
    QCOMPARE(Text(ParagraphAt(m_word, 0)), QStringLiteral("heading"));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{1, 0, 0, 0, 0}));
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            m_word.TypeText(QStringLiteral("r%1c%2").arg(row).arg(col));
            if (col < 3)
                m_word.MoveRight();
        }
        m_word.MoveDown();
        if (row < 3) {
            QCOMPARE(Caret(m_word), (DocumentEditor::Position{1, row + 1, 3, 0, 0}));
            m_word.MoveLeftThree();
            QCOMPARE(Caret(m_word), (DocumentEditor::Position{1, row + 1, 0, 0, 0}));
        }
    }
    // MoveDown from the last row lands in the paragraph after the table.
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{2, -1, 0, 0, 0}));
    const Word::Table& table = TableAt(m_word, 1);
    QCOMPARE(table.gridColumns, 4);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            QCOMPARE(Text(table.rows[row].cells[col]), QStringLiteral("r%1c%2").arg(row).arg(col));
    m_word.TypeText(QStringLiteral("after"));
    QCOMPARE(Text(ParagraphAt(m_word, 2)), QStringLiteral("after"));
}

void TestSelectionModel::mergedHeaderRowSpans() {
    BuildHeaderRow(m_word);
    const Word::TableRow& row = TableAt(m_word, 0).rows.at(0);
    QCOMPARE(Spans(row), (QList<int>{1, 1, 4, 4, 4}));
    QStringList texts;
    for (const Word::TableCell& cell : row.cells)
        texts << Text(cell);
    QCOMPARE(texts, (QStringList{QStringLiteral("序号"), QStringLiteral("有效值"), QStringLiteral("波形图"),
                                 QStringLiteral("连续图"), QStringLiteral("PRPD图")}));
    // After the last header the insertion point is at the end-of-row mark, still in the row.
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{0, 0, 5, 0, 0}));
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.TypeText(QStringLiteral("x")));
}

void TestSelectionModel::mergeWithoutThreeCellsToTheRightThrows() {
    m_word.AddTable(1, 5);
    m_word.MoveRight();
    m_word.MoveRight(); // third cell: only two cells to its right
    const DocumentEditor::Position before = Caret(m_word);
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.MergeCells());
    QCOMPARE(Spans(TableAt(m_word, 0).rows.at(0)), (QList<int>{1, 1, 1, 1, 1}));
    QCOMPARE(Caret(m_word), before);
    QVERIFY(m_word.Editor().Shape() == DocumentEditor::SelectionShape::InsertionPoint);

    // From the second cell there are three cells to the right: four cells become one.
    QVERIFY(m_word.Start());
    m_word.AddTable(1, 5);
    m_word.MoveRight();
    m_word.MergeCells();
    QCOMPARE(Spans(TableAt(m_word, 0).rows.at(0)), (QList<int>{1, 4}));
    QVERIFY(m_word.Editor().Shape() == DocumentEditor::SelectionShape::Cells);
    // Merging keeps the text of the merged cells.
    QVERIFY(m_word.Start());
    m_word.AddTable(1, 4);
    m_word.TypeText(QStringLiteral("a"));
    m_word.MoveRight();
    m_word.TypeText(QStringLiteral("b"));
    m_word.MoveLeftThree(); // before "b", end of "a", before "a"
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{0, 0, 0, 0, 0}));
    // Four single extensions: 'a', the first cell's end, 'b', the second cell's end.
    m_word.MergeCells();
    QCOMPARE(Spans(TableAt(m_word, 0).rows.at(0)), (QList<int>{2, 1, 1}));
    QCOMPARE(Text(TableAt(m_word, 0).rows[0].cells[0]), QStringLiteral("a|b"));
}

void TestSelectionModel::insertRowsBelowCopiesCellsAndTakesText() {
    BuildHeaderRow(m_word);
    m_word.InsertRowsBelow(1);
    const Word::Table& table = TableAt(m_word, 0);
    QCOMPARE(table.rows.size(), std::size_t(2));
    QCOMPARE(Spans(table.rows[1]), (QList<int>{1, 1, 4, 4, 4}));
    QVERIFY(m_word.Editor().Shape() == DocumentEditor::SelectionShape::Cells);
    m_word.TypeText(QStringLiteral("1"));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{0, 1, 0, 0, 1}));
    m_word.MoveRight();
    m_word.TypeText(QStringLiteral("12.5dB"));
    QCOMPARE(Text(TableAt(m_word, 0).rows[1].cells[0]), QStringLiteral("1"));
    QCOMPARE(Text(TableAt(m_word, 0).rows[1].cells[1]), QStringLiteral("12.5dB"));
    // The header row is untouched.
    QCOMPARE(Text(TableAt(m_word, 0).rows[0].cells[0]), QStringLiteral("序号"));

    // Two rows at once: both copy the row's cells, and typing goes into the first new row.
    m_word.InsertRowsBelow(2);
    QCOMPARE(TableAt(m_word, 0).rows.size(), std::size_t(4));
    QCOMPARE(Spans(TableAt(m_word, 0).rows[3]), (QList<int>{1, 1, 4, 4, 4}));
    m_word.TypeText(QStringLiteral("2"));
    QCOMPARE(Text(TableAt(m_word, 0).rows[2].cells[0]), QStringLiteral("2"));
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.InsertRowsBelow(0));
}

void TestSelectionModel::picturesInARowAndLeavingTheTable() {
    const QString png = MakePicture(m_dir.path(), QStringLiteral("row.png"), "PNG");
    BuildHeaderRow(m_word);
    m_word.InsertRowsBelow(1);
    m_word.TypeText(QStringLiteral("1"));
    m_word.MoveRight();
    m_word.TypeText(QStringLiteral("v"));
    m_word.MoveRight();
    QVERIFY(m_word.InsertPicture(png, 140, 100));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{0, 1, 3, 0, 0}));
    QVERIFY(m_word.InsertPicture(png, 140, 100));
    QVERIFY(m_word.InsertPicture(png, 133, 95));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{0, 1, 5, 0, 0})); // end-of-row mark
    const Word::TableRow& row = TableAt(m_word, 0).rows[1];
    QCOMPARE(Text(row.cells[2]), QStringLiteral("[P0]"));
    QCOMPARE(Text(row.cells[3]), QStringLiteral("[P1]"));
    QCOMPARE(Text(row.cells[4]), QStringLiteral("[P2]"));
    const Word::Picture& third = m_word.GetDocument().pictures.at(2);
    QCOMPARE(third.widthPt, 133.0f);
    QCOMPARE(third.heightPt, 95.0f);
    QCOMPARE(third.sourcePath, png);
    QVERIFY(m_messages.isEmpty());

    m_word.MoveRight();
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{1, -1, 0, 0, 0}));
    m_word.TypeParagraph();
    m_word.TypeText(QStringLiteral("end"));
    QCOMPARE(m_word.GetDocument().body.size(), std::size_t(3));
    QVERIFY(ParagraphAt(m_word, 1).runs.empty());
    QCOMPARE(Text(ParagraphAt(m_word, 2)), QStringLiteral("end"));
    // A picture typed in at the very end of the document stays, the insertion point behind it.
    QVERIFY(m_word.InsertPicture(png, 10, 10));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{2, -1, 0, 0, 4}));
}

void TestSelectionModel::missingPictureLeavesDocumentAndCaret() {
    const QString png = MakePicture(m_dir.path(), QStringLiteral("here.png"), "PNG");
    BuildHeaderRow(m_word);
    m_word.InsertRowsBelow(1);
    m_word.TypeText(QStringLiteral("1"));
    m_word.MoveRight();
    m_word.TypeText(QStringLiteral("v"));
    m_word.MoveRight();
    QVERIFY(m_word.InsertPicture(png, 140, 100));
    const QByteArray before = Snapshot(m_word);
    const DocumentEditor::Position caret = Caret(m_word);
    QVERIFY(!m_word.InsertPicture(m_dir.filePath(QStringLiteral("missing.png")), 140, 100));
    QCOMPARE(m_messages, QStringList{QStringLiteral("The image to be inserted does not exist!")});
    QCOMPARE(Snapshot(m_word), before);
    QCOMPARE(Caret(m_word), caret);
    m_word.MoveRight();
    QVERIFY(m_word.InsertPicture(png, 133, 95));
    const Word::TableRow& row = TableAt(m_word, 0).rows[1];
    QCOMPARE(Text(row.cells[2]), QStringLiteral("[P0]"));
    QCOMPARE(Text(row.cells[3]), QString());
    QCOMPARE(Text(row.cells[4]), QStringLiteral("[P1]"));
}

void TestSelectionModel::unreadablePicturesAreRefused_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    const QString png = MakePicture(m_dir.path(), QStringLiteral("whole.png"), "PNG");
    QFile whole(png);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray pngBytes = whole.readAll();
    const QString jpg = MakePicture(m_dir.path(), QStringLiteral("whole.jpg"), "JPEG");
    QFile wholeJpeg(jpg);
    QVERIFY(wholeJpeg.open(QIODevice::ReadOnly));
    const QByteArray jpegBytes = wholeJpeg.readAll();
    const QString bmp = MakePicture(m_dir.path(), QStringLiteral("whole.bmp"), "BMP");
    QFile wholeBmp(bmp);
    QVERIFY(wholeBmp.open(QIODevice::ReadOnly));
    const QByteArray bmpBytes = wholeBmp.readAll();
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.png"));

    QTest::newRow("text") << WriteFile(m_dir.path(), QStringLiteral("notes.png"), "just some text\n")
                          << QStringLiteral("not an image file");
    QTest::newRow("empty") << WriteFile(m_dir.path(), QStringLiteral("empty.png"), QByteArray())
                           << QStringLiteral("empty");
    QTest::newRow("truncated png") << WriteFile(m_dir.path(), QStringLiteral("cut.png"),
                                                pngBytes.left(pngBytes.size() / 2))
                                   << QStringLiteral("incomplete");
    QTest::newRow("truncated jpeg") << WriteFile(m_dir.path(), QStringLiteral("cut.jpg"),
                                                 jpegBytes.left(jpegBytes.size() - 40))
                                    << QStringLiteral("incomplete");
    QTest::newRow("truncated bmp") << WriteFile(m_dir.path(), QStringLiteral("cut.bmp"), bmpBytes.left(60))
                                   << QStringLiteral("incomplete");
    QTest::newRow("folder") << m_dir.filePath(QStringLiteral("folder.png")) << QStringLiteral("folder");
}

void TestSelectionModel::unreadablePicturesAreRefused() {
    QFETCH(QString, path);
    QFETCH(QString, reason);
    m_word.TypeText(QStringLiteral("x"));
    const QByteArray before = Snapshot(m_word);
    QVERIFY(!m_word.InsertPicture(path, 140, 100));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(reason), qPrintable(m_messages[0]));
    QVERIFY2(m_messages[0].contains(QDir::toNativeSeparators(path)), qPrintable(m_messages[0]));
    QCOMPARE(Snapshot(m_word), before);
    QVERIFY(m_word.GetDocument().pictures.empty());
}

void TestSelectionModel::pictureFormatsAreRecognised() {
    const struct {
        const char* name;
        const char* format;
        Word::Picture::Encoding encoding;
    } cases[] = {{"p.png", "PNG", Word::Picture::Encoding::Png},
                 {"p.jpg", "JPEG", Word::Picture::Encoding::Jpeg},
                 {"p.bmp", "BMP", Word::Picture::Encoding::ConvertToPng},
                 {"png-named.bmp", "PNG", Word::Picture::Encoding::Png}};
    for (const auto& c : cases) {
        const QString path = MakePicture(m_dir.path(), QString::fromLatin1(c.name), c.format, 77, 33);
        QVERIFY2(m_word.InsertPicture(path, 50, 20), c.name);
        const Word::Picture& picture = m_word.GetDocument().pictures.back();
        QVERIFY2(picture.encoding == c.encoding, c.name);
        QCOMPARE(picture.pixelWidth, 77);
        QCOMPARE(picture.pixelHeight, 33);
        QCOMPARE(picture.fileSize, QFileInfo(path).size());
    }
    QVERIFY(m_messages.isEmpty());
}

void TestSelectionModel::alignCenterIsInheritedByNewParagraphsAndCells() {
    m_word.AlignCenter();
    m_word.TypeText(QStringLiteral("title"));
    m_word.TypeParagraph();
    m_word.TypeParagraph();
    m_word.AddTable(2, 2);
    m_word.TypeText(QStringLiteral("cell"));
    m_word.TypeParagraph(); // a second paragraph in the cell
    m_word.TypeText(QStringLiteral("more"));
    const Word::Document& document = m_word.GetDocument();
    QCOMPARE(Text(TableAt(m_word, 2).rows[0].cells[0]), QStringLiteral("cell|more"));
    int paragraphs = 0;
    for (const Word::BodyElement& element : document.body) {
        if (const auto* paragraph = std::get_if<Word::Paragraph>(&element)) {
            QVERIFY(paragraph->alignment == Word::Alignment::Center);
            ++paragraphs;
            continue;
        }
        for (const Word::TableRow& row : std::get<Word::Table>(element).rows)
            for (const Word::TableCell& cell : row.cells)
                for (const Word::Paragraph& paragraph : cell.paragraphs) {
                    QVERIFY(paragraph.alignment == Word::Alignment::Center);
                    ++paragraphs;
                }
    }
    QCOMPARE(paragraphs, 3 + 5);
}

void TestSelectionModel::fontAppliesToTextTypedNext() {
    m_word.TypeText(QStringLiteral("plain"));
    m_word.SetFont(Font(QStringLiteral("宋体"), 18, true));
    // Nothing typed yet: the text before keeps its format.
    QCOMPARE(ParagraphAt(m_word, 0).runs.size(), std::size_t(1));
    QCOMPARE(ParagraphAt(m_word, 0).runs[0].format.fontName, QString());
    m_word.TypeText(QStringLiteral("bold"));
    const Word::Paragraph& paragraph = ParagraphAt(m_word, 0);
    QCOMPARE(paragraph.runs.size(), std::size_t(2));
    QCOMPARE(paragraph.runs[1].text, QStringLiteral("bold"));
    QCOMPARE(paragraph.runs[1].format.fontName, QStringLiteral("宋体"));
    QCOMPARE(paragraph.runs[1].format.sizePt, 18.0f);
    QVERIFY(paragraph.runs[1].format.bold);
    // In an empty paragraph the font also shows on the paragraph mark.
    m_word.TypeParagraph();
    m_word.SetFont(Font(QStringLiteral("Arial"), 9, false));
    QCOMPARE(ParagraphAt(m_word, 1).markFormat.fontName, QStringLiteral("Arial"));
    // Moving back into text picks up the format found there, as Word does.
    m_word.MoveLeftThree();
    m_word.TypeText(QStringLiteral("X"));
    QCOMPARE(Text(ParagraphAt(m_word, 0)), QStringLiteral("plainboXld"));
    QCOMPARE(ParagraphAt(m_word, 0).runs.size(), std::size_t(2));
}

void TestSelectionModel::typedTextIsMadeSafe() {
    const QString raw = QStringLiteral("a\r\nb\rc\nd\te") + QChar(0x01) + QChar(0x0B) + QChar(0xFFFE) +
                        QChar(0xFFFF) + QChar(0xD800) + QStringLiteral("x") + QChar(0xDC00) +
                        QString::fromUcs4(U"\U0001F600");
    m_word.TypeText(raw);
    const QString expected = QStringLiteral("a\nb\nc\nd\te") + QString(6, QChar(0xFFFD)).insert(5, u'x') +
                             QString::fromUcs4(U"\U0001F600");
    QCOMPARE(Text(ParagraphAt(m_word, 0)), expected);
    // A character beyond the BMP is one character for moves.
    m_word.MoveLeftThree();
    QCOMPARE(Caret(m_word).offset, static_cast<int>(expected.size()) - 2 - 2);
}

void TestSelectionModel::tableInTheMiddleOfAParagraph() {
    m_word.TypeText(QStringLiteral("before"));
    m_word.TypeText(QStringLiteral("xyz"));
    m_word.MoveLeftThree();
    m_word.AddTable(1, 2);
    QCOMPARE(m_word.GetDocument().body.size(), std::size_t(3));
    QCOMPARE(Text(ParagraphAt(m_word, 0)), QStringLiteral("before"));
    QCOMPARE(TableAt(m_word, 1).rows.at(0).cells.size(), std::size_t(2));
    QCOMPARE(Text(ParagraphAt(m_word, 2)), QStringLiteral("xyz"));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{1, 0, 0, 0, 0}));
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.AddTable(1, 1)); // no tables in tables
    // Left from the first cell goes back into the paragraph before the table.
    m_word.MoveLeftThree();
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{0, -1, 0, 0, 4}));
    // A table added right after another one keeps an empty paragraph between them.
    QVERIFY(m_word.Start());
    m_word.AddTable(1, 1);
    m_word.MoveRight();
    m_word.MoveRight(); // end-of-row mark, then the paragraph after the table
    m_word.AddTable(1, 1);
    QCOMPARE(m_word.GetDocument().body.size(), std::size_t(4));
    QVERIFY(std::holds_alternative<Word::Paragraph>(m_word.GetDocument().body[1]));
}

void TestSelectionModel::moveRightCollapsesASelectionToItsEnd() {
    m_word.TypeText(QStringLiteral("abcdef"));
    m_word.MoveLeftThree();
    m_word.ExtendSelection(0, 2); // "de"
    QVERIFY(m_word.Editor().Shape() == DocumentEditor::SelectionShape::Text);
    m_word.MoveRight();
    QCOMPARE(Caret(m_word).offset, 6);
    QVERIFY(m_word.Editor().Shape() == DocumentEditor::SelectionShape::InsertionPoint);
    // A selection cannot reach over a paragraph end.
    m_word.TypeParagraph();
    m_word.TypeText(QStringLiteral("g"));
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, m_word.ExtendSelection(3, 0));
    QCOMPARE(Caret(m_word), (DocumentEditor::Position{1, -1, 0, 0, 1}));
}

void TestSelectionModel::typingReplacesSelectedText() {
    m_word.TypeText(QStringLiteral("hello world"));
    m_word.ExtendSelection(5, 0);
    m_word.TypeText(QStringLiteral("there"));
    QCOMPARE(Text(ParagraphAt(m_word, 0)), QStringLiteral("hello there"));
    QCOMPARE(Caret(m_word).offset, 11);
}

void TestSelectionModel::operationsBeforeStartThrow() {
    CWordOper word;
    QVERIFY_THROWS_EXCEPTION(Word::OperationError, word.TypeText(QStringLiteral("x")));
    QVERIFY(word.GetDocument().body.empty());
    QStringList messages;
    word.SetMessageHandler([&](const QString& text) { messages << text; });
    QVERIFY(!word.SaveAs(m_dir.filePath(QStringLiteral("never.docx"))));
    QCOMPARE(messages.size(), 1);
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("never.docx"))));
}

QTEST_GUILESS_MAIN(TestSelectionModel)
#include "tst_selectionmodel.moc"
