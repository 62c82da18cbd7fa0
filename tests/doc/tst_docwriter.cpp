#include "doc/CfbWriter.h"
#include "doc/DocWriter.h"
#include "support/DocReader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <set>

using namespace Word;

namespace {

CharFormat Font(float size, bool bold = false) {
    CharFormat format;
    format.fontName = QStringLiteral("宋体");
    format.sizePt = size;
    format.bold = bold;
    return format;
}

Paragraph Centered(const QString& text, const CharFormat& format) {
    Paragraph p;
    p.alignment = Alignment::Center;
    p.markFormat = format;
    if (!text.isEmpty())
        p.runs.push_back(Run{text, format, -1});
    return p;
}

TableCell Cell(const QString& text, const CharFormat& format, int span = 1) {
    TableCell cell;
    cell.gridSpan = span;
    cell.paragraphs.push_back(Centered(text, format));
    return cell;
}

// Writes a picture file of the given kind and registers it with the document.
int AddPicture(Document& doc, const QString& path, Picture::Encoding encoding, float w, float h,
               QColor color) {
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(color);
    QPainter(&image).drawEllipse(10, 10, 60, 40);
    const char* format = encoding == Picture::Encoding::Jpeg  ? "JPEG"
                         : encoding == Picture::Encoding::Png ? "PNG"
                                                              : "BMP";
    if (!image.save(path, format))
        return -1;
    Picture picture;
    picture.sourcePath = path;
    picture.encoding = encoding;
    picture.pixelWidth = image.width();
    picture.pixelHeight = image.height();
    picture.widthPt = w;
    picture.heightPt = h;
    picture.fileSize = QFileInfo(path).size();
    doc.pictures.push_back(picture);
    return static_cast<int>(doc.pictures.size()) - 1;
}

// The report's document: cover, a 4 x 4 table, a table on 14 grid columns whose rows have cells
// spanning 1, 1, 4, 4 and 4 columns with three pictures per data row, and the closing heading.
// `missing` lists (row, picture) pairs whose cell stays empty.
Document ReportDocument(const QString& folder, int rows, const std::set<std::pair<int, int>>& missing = {}) {
    const CharFormat title = Font(24, true), heading = Font(18, true), text = Font(13);
    Document doc;
    doc.page.margins = MarginInfo{67, 67, 42, 42};
    doc.body.push_back(Centered(QStringLiteral("US局部放电检测报告"), title));
    for (int i = 0; i < 14; ++i)
        doc.body.push_back(Centered(QString(), heading));
    for (const char16_t* line :
         {u"检测人员：张三", u"检测地点：", u"检测仪器：PD-1", u"检测日期：2024-05-06"})
        doc.body.push_back(Centered(QString::fromUtf16(line), heading));
    for (int i = 0; i < 3; ++i)
        doc.body.push_back(Centered(QString(), heading));
    doc.body.push_back(Centered(QStringLiteral("一、基本信息"), heading));

    Table info;
    info.gridColumns = 4;
    for (int r = 0; r < 4; ++r) {
        TableRow row;
        for (int c = 0; c < 4; ++c)
            row.cells.push_back(Cell(QStringLiteral("r%1c%2").arg(r).arg(c), text));
        info.rows.push_back(row);
    }
    doc.body.push_back(info);
    doc.body.push_back(Centered(QStringLiteral("二、检测数据"), heading));

    Table data;
    data.gridColumns = 14;
    TableRow header;
    header.cells = {Cell(QStringLiteral("序号"), text), Cell(QStringLiteral("有效值"), text),
                    Cell(QStringLiteral("波形图"), text, 4), Cell(QStringLiteral("连续图"), text, 4),
                    Cell(QStringLiteral("PRPD图"), text, 4)};
    data.rows.push_back(header);
    for (int r = 0; r < rows; ++r) {
        TableRow row;
        row.cells = {Cell(QString::number(r + 1), text), Cell(QStringLiteral("%1mV").arg(r * 3), text)};
        for (int k = 0; k < 3; ++k) {
            TableCell cell = Cell(QString(), text, 4);
            if (!missing.count({r, k})) {
                const auto encoding = k == 1 ? Picture::Encoding::Jpeg : Picture::Encoding::Png;
                const int index = AddPicture(
                    doc, QStringLiteral("%1/p%2_%3.%4").arg(folder).arg(r).arg(k).arg(k == 1 ? "jpg" : "png"),
                    encoding, k == 2 ? 133 : 140, k == 2 ? 95 : 100, QColor::fromHsv(r * 40 % 360, 200, 200));
                cell.paragraphs[0].runs.push_back(Run{QString(), text, index});
            }
            row.cells.push_back(cell);
        }
        data.rows.push_back(row);
    }
    doc.body.push_back(data);
    doc.body.push_back(Centered(QString(), text));
    doc.body.push_back(Centered(QStringLiteral("三、分析结论"), heading));
    return doc;
}

} // namespace

class TestDocWriter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Write(const Document& doc, const QString& name, QString* error = nullptr) {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        DocWriter writer;
        QString message;
        const bool ok = writer.WriteFile(doc, path, &message);
        if (error)
            *error = message;
        return ok ? path : QString();
    }

    static QString Problems(const DocReader& inspector) {
        return inspector.Problems().join(QLatin1Char('\n'));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void reportTextAndFormats() {
        const Document doc = ReportDocument(m_dir.path(), 2);
        const QString path = Write(doc, QStringLiteral("report.doc"));
        QVERIFY(!path.isEmpty());
        DocReader in;
        QVERIFY2(in.Load(path), qPrintable(Problems(in)));
        QCOMPARE(in.Nfib(), 0xC1);
        QVERIFY(in.TableStreamIsOne());
        QCOMPARE(in.PieceCount(), 1);

        const auto& paragraphs = in.Paragraphs();
        QCOMPARE(paragraphs.front().text, QStringLiteral("US局部放电检测报告"));
        QCOMPARE(paragraphs[15].text, QStringLiteral("检测人员：张三"));
        QCOMPARE(paragraphs[16].text, QStringLiteral("检测地点："));
        QCOMPARE(paragraphs.back().text, QStringLiteral("三、分析结论"));
        for (const auto& p : paragraphs) {
            if (!p.rowEnd)
                QVERIFY2(p.justification == 1, qPrintable(p.text));
        }

        // Title 24 pt bold, cover lines 18 pt bold, table text 13 pt plain, all in 宋体 for Latin and
        // Chinese alike; an empty paragraph keeps its size on the mark.
        QCOMPARE(in.PointSizeAt(0), 24.0);
        QVERIFY(in.BoldAt(0));
        QCOMPARE(in.FontNameAt(0), QStringLiteral("宋体"));
        QCOMPARE(in.FontNameAt(0, 0x4A50), QStringLiteral("宋体"));
        QCOMPARE(in.PointSizeAt(paragraphs[1].cpStart), 18.0);
        QCOMPARE(in.PointSizeAt(paragraphs[15].cpStart), 18.0);
        QVERIFY(in.BoldAt(paragraphs[15].cpStart));
        const int cellCp = static_cast<int>(in.Text().indexOf(QStringLiteral("r0c0")));
        QCOMPARE(in.PointSizeAt(cellCp), 13.0);
        QVERIFY(!in.BoldAt(cellCp));

        const auto& fonts = in.Fonts();
        const auto song = std::find_if(fonts.begin(), fonts.end(),
                                       [](const auto& f) { return f.name == QStringLiteral("宋体"); });
        QVERIFY(song != fonts.end());
        QCOMPARE(song->altName, QStringLiteral("SimSun"));
        QCOMPARE(song->charset, 0x86);

        const auto& section = in.GetSection();
        QCOMPARE(section.pageWidth, 11906);
        QCOMPARE(section.pageHeight, 16838);
        QCOMPARE(section.top, 1340);
        QCOMPARE(section.bottom, 1340);
        QCOMPARE(section.left, 840);
        QCOMPARE(section.right, 840);

        QVERIFY(in.HasStream(QStringLiteral("\001CompObj")));
        QVERIFY(in.HasStream(QStringLiteral("\005SummaryInformation")));
        QCOMPARE(in.RootClassId(), QByteArray::fromHex("0609020000000000C000000000000046"));
        QVERIFY(in.DopSize() >= 500);
        QVERIFY(std::any_of(in.Styles().begin(), in.Styles().end(),
                            [](const auto& s) { return s.istd == 0 && s.sti == 0; }));
    }

    void tablesKeepCellsAndSpans() {
        const Document doc = ReportDocument(m_dir.path(), 3);
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("tables.doc"))), qPrintable(Problems(in)));
        const auto tables = in.Tables();
        QCOMPARE(tables.size(), std::size_t(2));

        QCOMPARE(tables[0].rows.size(), std::size_t(4));
        QCOMPARE(tables[0].rows[2].cells, QStringList({"r2c0", "r2c1", "r2c2", "r2c3"}));
        const int textWidth = 11906 - 2 * 840;
        const int quarter = textWidth / 4;
        QCOMPARE(tables[0].rows[0].edges,
                 std::vector<int>({0, quarter, 2 * quarter, 3 * quarter, 4 * quarter}));

        QCOMPARE(tables[1].rows.size(), std::size_t(4));
        QCOMPARE(tables[1].rows[0].cells, QStringList({"序号", "有效值", "波形图", "连续图", "PRPD图"}));
        const int col = textWidth / 14;
        const std::vector<int> spans = {0, col, 2 * col, 6 * col, 10 * col, 14 * col};
        for (const auto& row : tables[1].rows)
            QCOMPARE(row.edges, spans);
        QCOMPARE(tables[1].rows[2].cells.mid(0, 2), QStringList({"2", "3mV"}));
        QCOMPARE(tables[1].rows[2].cells[2], QString(QChar(1)));

        // Every cell has a single line on each side, and so has the table.
        for (const auto& row : tables[1].rows) {
            const auto def = DocReader::Find(row.tapx, 0xD608);
            QVERIFY(def);
            for (int cell = 0; cell < 5; ++cell) {
                const QByteArray tc = def->mid(3 + 2 * 6 + 20 * cell, 20);
                for (int side = 0; side < 4; ++side)
                    QCOMPARE(tc.mid(4 + 4 * side, 2), QByteArray::fromHex("0401"));
            }
            const auto borders = DocReader::Find(row.tapx, 0xD605);
            QVERIFY(borders);
            QCOMPARE(borders->size(), 25);
            QCOMPARE(DocReader::OperandInt(*DocReader::Find(row.tapx, 0x9602)), 28);
        }
    }

    void picturesAreEmbeddedAtTheirSize() {
        const Document doc = ReportDocument(m_dir.path(), 2);
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("pictures.doc"))), qPrintable(Problems(in)));
        const auto& pictures = in.Pictures();
        QCOMPARE(pictures.size(), std::size_t(6));
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const auto& pic = pictures[i];
            const Picture& source = doc.pictures[i];
            QFile file(source.sourcePath);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(pic.blipData, file.readAll());
            QCOMPARE(pic.WidthPt(), double(source.widthPt));
            QCOMPARE(pic.HeightPt(), double(source.heightPt));
            QCOMPARE(pic.shapeType, 75);
            QCOMPARE(pic.pib, 1);
            const bool jpeg = source.encoding == Picture::Encoding::Jpeg;
            QCOMPARE(pic.fbseType, jpeg ? 5 : 6);
            QCOMPARE(pic.blipRecordType, jpeg ? 0xF01D : 0xF01E);
        }
    }

    void missingPicturesLeaveEmptyCells() {
        const Document doc = ReportDocument(m_dir.path(), 2, {{0, 1}, {1, 0}, {1, 2}});
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("missing.doc"))), qPrintable(Problems(in)));
        QCOMPARE(in.Pictures().size(), std::size_t(3));
        const auto rows = in.Tables()[1].rows;
        const QString pic(QChar(1));
        QCOMPARE(rows[1].cells.mid(2), QStringList({pic, QString(), pic}));
        QCOMPARE(rows[2].cells.mid(2), QStringList({QString(), pic, QString()}));
    }

    void headerOnlyTableWithoutRecords() {
        const Document doc = ReportDocument(m_dir.path(), 0);
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("empty.doc"))), qPrintable(Problems(in)));
        QVERIFY(!in.HasStream(QStringLiteral("Data")));
        QCOMPARE(in.Tables()[1].rows.size(), std::size_t(1));
        QVERIFY(in.Text().contains(QStringLiteral("三、分析结论")));
    }

    // Pictures in other formats are stored as PNG, decoded to the same pixels.
    void otherFormatsBecomePng() {
        Document doc;
        Paragraph p = Centered(QString(), Font(12));
        const int index = AddPicture(doc, m_dir.filePath(QStringLiteral("x.bmp")),
                                     Picture::Encoding::ConvertToPng, 60, 40, Qt::red);
        // A file claimed as PNG that is not one goes the same way.
        const int wrong = AddPicture(doc, m_dir.filePath(QStringLiteral("y.png")), Picture::Encoding::Png, 30,
                                     20, Qt::blue);
        doc.pictures[wrong].sourcePath = doc.pictures[index].sourcePath;
        doc.pictures[wrong].fileSize = doc.pictures[index].fileSize;
        p.runs.push_back(Run{QString(), Font(12), index});
        p.runs.push_back(Run{QString(), Font(12), wrong});
        doc.body.push_back(p);
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("bmp.doc"))), qPrintable(Problems(in)));
        QCOMPARE(in.Pictures().size(), std::size_t(2));
        for (const auto& pic : in.Pictures()) {
            QCOMPARE(pic.blipRecordType, 0xF01E);
            QImage decoded;
            QVERIFY(decoded.loadFromData(pic.blipData, "PNG"));
            QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32),
                     QImage(doc.pictures[index].sourcePath).convertToFormat(QImage::Format_RGB32));
        }
        QCOMPARE(in.Pictures()[1].WidthPt(), 30.0);
    }

    // Text survives exactly, whatever it holds; tabs stay, line breaks become 0x0B, stray controls
    // that would end a paragraph or cell become U+FFFD.
    void hostileTextRoundTrips() {
        const QString hostile = QStringLiteral("<a & b> \"q\" 'x' ]]> \t tab\nline 😀 𠀀 é ") + QChar(0xFFFD);
        Document doc;
        doc.body.push_back(Centered(hostile, Font(13)));
        Paragraph stray = Centered(
            QStringLiteral("a") + QChar(0x0D) + QChar(0x07) + QChar(0x01) + QStringLiteral("b"), Font(13));
        doc.body.push_back(stray);
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("hostile.doc"))), qPrintable(Problems(in)));
        QString expected = hostile;
        expected.replace(QChar(u'\n'), QChar(0x0B));
        QCOMPARE(in.Paragraphs().size(), std::size_t(2));
        QCOMPARE(in.Paragraphs()[0].text, expected);
        QCOMPARE(in.Paragraphs()[1].text,
                 QStringLiteral("a") + QString(3, QChar(0xFFFD)) + QStringLiteral("b"));
        QVERIFY(in.Pictures().empty());
    }

    // Many paragraphs and format changes need several property pages of each kind; together they
    // must still cover every character once.
    void propertiesSpanManyPages() {
        Document doc;
        for (int i = 0; i < 400; ++i) {
            Paragraph p = Centered(QString(), Font(10 + i % 7, i % 2));
            p.alignment = i % 3 ? Alignment::Center : Alignment::Left;
            for (int k = 0; k < 3; ++k) {
                CharFormat f = Font(8 + (i + k) % 11, k == 1);
                f.italic = k == 2;
                f.underline = k == 2 ? 3 : 0;
                f.color = k == 0 ? 0x0000FF : 0;
                f.fontName = k == 1 ? QStringLiteral("Arial") : QStringLiteral("黑体");
                p.runs.push_back(Run{QStringLiteral("段%1.%2 ").arg(i).arg(k), f, -1});
            }
            doc.body.push_back(p);
        }
        DocReader in;
        QVERIFY2(in.Load(Write(doc, QStringLiteral("pages.doc"))), qPrintable(Problems(in)));
        QCOMPARE(in.Paragraphs().size(), std::size_t(400));
        QCOMPARE(in.Paragraphs()[3].justification, 0);
        QCOMPARE(in.Paragraphs()[4].justification, 1);
        const int cp = static_cast<int>(in.Text().indexOf(QStringLiteral("段399.1")));
        QCOMPARE(in.FontNameAt(cp), QStringLiteral("Arial"));
        QCOMPARE(in.PointSizeAt(cp), double(8 + 400 % 11));
        QVERIFY(in.BoldAt(cp));
        const auto black = std::find_if(in.Fonts().begin(), in.Fonts().end(),
                                        [](const auto& f) { return f.name == QStringLiteral("黑体"); });
        QVERIFY(black != in.Fonts().end());
        QCOMPARE(black->altName, QStringLiteral("SimHei"));
        const auto* red = in.CharSprmsAt(static_cast<int>(in.Text().indexOf(QStringLiteral("段7.0"))));
        QVERIFY(red);
        QCOMPARE(DocReader::Find(*red, 0x6870).value_or(QByteArray()), QByteArray::fromHex("FF000000"));
        QCOMPARE(DocReader::OperandInt(DocReader::Find(*red, 0x2A42).value_or(QByteArray())), 6);
    }

    // Wide rows keep their cell edges; borders then come from a range sprm instead of per-cell
    // records, which would not fit a property page. Word's limit of 63 cells is an error.
    void wideRowsAndTheirLimit() {
        for (int cells : {30, 64}) {
            Document doc;
            Table table;
            table.gridColumns = cells;
            TableRow row;
            for (int i = 0; i < cells; ++i)
                row.cells.push_back(Cell(QString::number(i), Font(8)));
            table.rows = {row, row};
            doc.body.push_back(table);
            QString error;
            const QString path = Write(doc, QStringLiteral("wide%1.doc").arg(cells), &error);
            if (cells > 63) {
                QVERIFY(path.isEmpty());
                QVERIFY(error.contains(QStringLiteral("63")));
                continue;
            }
            DocReader in;
            QVERIFY2(in.Load(path), qPrintable(Problems(in)));
            const auto tables = in.Tables();
            QCOMPARE(tables.size(), std::size_t(1));
            QCOMPARE(tables[0].rows[1].cells.size(), cells);
            QCOMPARE(tables[0].rows[1].edges.size(), std::size_t(cells + 1));
            QVERIFY(DocReader::Find(tables[0].rows[1].tapx, 0xD620));
            // A table at the very end is followed by a paragraph.
            QVERIFY(!in.Paragraphs().back().inTable);
        }
    }

    // The checks above are only as good as the reader: each of these faults must be found.
    void ourReaderNoticesBrokenFiles() {
        const QString path = Write(ReportDocument(m_dir.path(), 1), QStringLiteral("good.doc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        DocReader in;
        QVERIFY(in.LoadBytes(good));

        auto rewritten = [&in](const QString& name, const std::function<void(QByteArray&)>& change) {
            QBuffer buffer;
            buffer.open(QIODevice::ReadWrite);
            CfbWriter cfb(&buffer);
            for (const QString& stream : in.StreamNames()) {
                QByteArray bytes = in.Stream(stream);
                if (stream == name)
                    change(bytes);
                cfb.AddStream(stream, bytes);
            }
            cfb.Finish();
            return buffer.data();
        };
        auto put32 = [](QByteArray& b, int at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                b[at + i] = static_cast<char>(v >> (8 * i));
        };
        auto get32 = [](const QByteArray& b, int at) {
            quint32 v = 0;
            for (int i = 3; i >= 0; --i)
                v = v << 8 | static_cast<quint8>(b[at + i]);
            return v;
        };
        const int fibRgLw = 32 + 2 + 28 + 2;
        const int fcMin = 0x400;
        const QString text = in.Text();
        const int cellMark = static_cast<int>(text.indexOf(QChar(0x07)));

        std::vector<std::pair<const char*, QByteArray>> broken;
        QByteArray loop = good; // the FAT entry of sector 0 points at sector 0
        put32(loop, 512 + 512 * static_cast<int>(get32(good, 76)), 0);
        broken.emplace_back("FAT loop", loop);
        broken.emplace_back("ccpText", rewritten(QStringLiteral("WordDocument"), [&](QByteArray& b) {
                                put32(b, fibRgLw + 12, static_cast<quint32>(text.size() + 1));
                            }));
        broken.emplace_back("cell mark", rewritten(QStringLiteral("WordDocument"),
                                                   [&](QByteArray& b) { b[fcMin + 2 * cellMark] = 'x'; }));
        broken.emplace_back("CHPX run", rewritten(QStringLiteral("WordDocument"), [&](QByteArray& b) {
                                const int page = static_cast<int>(get32(b, fibRgLw + 4 * 12)); // pnChpFirst
                                put32(b, 512 * page + 4, fcMin + 1);
                            }));
        broken.emplace_back("PICF size", rewritten(QStringLiteral("Data"), [&](QByteArray& b) {
                                put32(b, 0, static_cast<quint32>(b.size() + 10));
                            }));
        for (const auto& [what, bytes] : broken) {
            DocReader check;
            QVERIFY2(!check.LoadBytes(bytes), what);
            QVERIFY(!check.Problems().isEmpty());
        }
    }

    void failuresAreReported() {
        Document doc = ReportDocument(m_dir.path(), 1);
        QString error;
        QVERIFY(Write(doc, QStringLiteral("no/such/folder.doc"), &error).isEmpty());
        QVERIFY(error.startsWith(QStringLiteral("The Word document could not be written")));

        // A picture removed or changed after it was inserted is not silently dropped.
        QVERIFY(QFile::remove(doc.pictures[1].sourcePath));
        QVERIFY(Write(doc, QStringLiteral("gone.doc"), &error).isEmpty());
        QVERIFY2(error.contains(QFileInfo(doc.pictures[1].sourcePath).fileName()), qPrintable(error));

        // Pictures are prepared ahead on a second thread: with several gone, the first one shown is named.
        doc = ReportDocument(m_dir.path(), 12);
        for (const int gone : {35, 9, 20})
            QVERIFY(QFile::remove(doc.pictures[gone].sourcePath));
        QVERIFY(Write(doc, QStringLiteral("gone.doc"), &error).isEmpty());
        QVERIFY2(error.contains(QFileInfo(doc.pictures[9].sourcePath).fileName()), qPrintable(error));

        doc = ReportDocument(m_dir.path(), 1);
        {
            QFile file(doc.pictures[0].sourcePath);
            QVERIFY(file.open(QIODevice::Append));
            file.write("more");
        }
        QVERIFY(Write(doc, QStringLiteral("changed.doc"), &error).isEmpty());
        QVERIFY(error.contains(QStringLiteral("changed")));
    }
};

QTEST_GUILESS_MAIN(TestDocWriter)
#include "tst_docwriter.moc"
