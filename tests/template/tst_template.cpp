#include "app/CRecordListModel.h"
#include "app/CZOLTDlg.h"
#include "app/TemplateChoice.h"
#include "app/WindowSettings.h"
#include "data/CDataSetLayout.h"
#include "report/CReportParam.h"
#include "support/ChartReader.h"
#include "support/DemoDataSets.h"
#include "support/DocxBody.h"
#include "support/DocxPackage.h"
#include "support/ExternalTools.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <zip.h>
#include <zlib.h>

#include <cmath>
#include <functional>

namespace {

// Absolute before a test changes the working folder: "/path" names another file once the current
// drive is another one (Windows; Wine's Unix paths are on Z:).
const QString kSource = QFileInfo(QStringLiteral(ZOLT_SOURCE_DIR)).absoluteFilePath();

struct Result {
    int exitCode = -1;
    QString err;
};

// zolt-report keeps its report number counter in ZOLT.DB3 of `workingDir` (default: the test's).
Result RunReport(const QStringList& arguments, const QString& workingDir = QString()) {
    QProcess process;
    process.setWorkingDirectory(workingDir);
    process.start(qEnvironmentVariable("ZOLT_REPORT"), arguments);
    Result result;
    if (process.waitForFinished(240000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// A package from parts, written with libzip; `stored` parts are not compressed.
bool WriteZip(const QString& path, const QList<QPair<QString, QByteArray>>& parts) {
    int code = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (zip == nullptr) {
        return false;
    }
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0;
}

// One entry of a ZIP written byte by byte, for packages libzip would not write: what it states may
// differ from what it holds.
struct RawEntry {
    QByteArray name;
    QByteArray data;
    bool deflate = false;
    quint32 unixMode = 0100644;
    bool badCrc = false;
    qint64 statedSize = -1;          // the uncompressed size it states; -1: the true one
    bool hugeCompressedSize = false; // a ZIP64 extra field stating 2^64-1 compressed bytes
};

QByteArray RawZip(const QList<RawEntry>& entries) {
    const auto put = [](QByteArray& out, quint64 value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.append(char((value >> (8 * i)) & 0xff));
        }
    };
    QByteArray zip;
    QByteArray directory;
    for (const RawEntry& entry : entries) {
        // qCompress is a zlib stream behind a 4-byte length: deflate is what lies between the zlib
        // header and the Adler-32 trailer.
        const QByteArray stored = entry.deflate ? qCompress(entry.data, 9).mid(6).chopped(4) : entry.data;
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(entry.data.constData()),
                                          uInt(entry.data.size()))) ^
                            (entry.badCrc ? 1u : 0u);
        const quint64 size = entry.statedSize < 0 ? quint64(entry.data.size()) : quint64(entry.statedSize);
        QByteArray extra;
        if (entry.hugeCompressedSize) { // both sizes in the extra field, as libzip takes it
            put(extra, 0x0001, 2);
            put(extra, 16, 2);
            put(extra, size, 8);
            put(extra, ~0ull, 8);
        }
        const quint64 compressed = entry.hugeCompressedSize ? 0xffffffffull : quint64(stored.size());
        QByteArray common; // version needed .. extra length, alike in both headers
        put(common, entry.hugeCompressedSize ? 45 : 20, 2);
        put(common, 0x0800, 2); // UTF-8 name
        put(common, entry.deflate ? 8 : 0, 2);
        put(common, 0, 2);
        put(common, 0x21, 2);
        put(common, crc, 4);
        put(common, compressed, 4);
        put(common, entry.hugeCompressedSize ? 0xffffffffull : size, 4);
        put(common, quint64(entry.name.size()), 2);
        put(common, quint64(extra.size()), 2);
        put(directory, 0x02014b50, 4);
        put(directory, 0x0314, 2); // made on Unix
        directory += common;
        put(directory, 0, 6); // comment length, disk, internal attributes
        put(directory, quint64(entry.unixMode) << 16, 4);
        put(directory, quint64(zip.size()), 4);
        directory += entry.name + extra;
        put(zip, 0x04034b50, 4);
        zip += common + entry.name + extra + stored;
    }
    const quint64 offset = quint64(zip.size());
    zip += directory;
    put(zip, 0x06054b50, 4);
    put(zip, 0, 4);
    put(zip, quint64(entries.size()), 2);
    put(zip, quint64(entries.size()), 2);
    put(zip, quint64(directory.size()), 4);
    put(zip, offset, 4);
    put(zip, 0, 2);
    return zip;
}

const char kNamespaces[] =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" )"
    R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
    R"(xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape")";

QByteArray Part(const char* root, const QString& inner, const QByteArray& prelude = QByteArray()) {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)" + prelude + "<w:" + root + " " +
           kNamespaces + ">" + inner.toUtf8() + "</w:" + root + ">";
}

// A minimal package around a body (and optionally a header part with its text).
QList<QPair<QString, QByteArray>> Package(const QString& body, const QString& header = QString()) {
    const bool withHeader = !header.isEmpty();
    QByteArray types =
        R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
        R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
        R"(<Default Extension="xml" ContentType="application/xml"/>)"
        R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)";
    if (withHeader) {
        types +=
            R"(<Override PartName="/word/header1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/>)";
    }
    types += "</Types>";
    const QByteArray rels =
        R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)";
    QByteArray documentRels =
        R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    QString sectPr = QStringLiteral("<w:sectPr>");
    if (withHeader) {
        documentRels +=
            R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/>)";
        sectPr += QStringLiteral(R"(<w:headerReference w:type="default" r:id="rId1"/>)");
    }
    documentRels += "</Relationships>";
    sectPr += QStringLiteral(R"(<w:pgSz w:w="11906" w:h="16838"/></w:sectPr>)");
    QList<QPair<QString, QByteArray>> parts{
        {"[Content_Types].xml", types},
        {"_rels/.rels", rels},
        {"word/_rels/document.xml.rels", documentRels},
        {"word/document.xml", Part("document", "<w:body>" + body + sectPr + "</w:body>")}};
    if (withHeader) {
        parts.append({"word/header1.xml", Part("hdr", header)});
    }
    return parts;
}

// The minimal package around `body`, written byte by byte with `extra` entries behind its parts.
QByteArray HostileZip(const QList<RawEntry>& extra, const QString& body) {
    QList<RawEntry> entries;
    for (const auto& [name, bytes] : Package(body)) {
        entries.append({name.toUtf8(), bytes, true});
    }
    return RawZip(entries + extra);
}

QString P(const QString& runs) {
    return QStringLiteral("<w:p>") + runs + QStringLiteral("</w:p>");
}
QString R(const QString& text, const QString& format = QString()) {
    return QStringLiteral("<w:r>") + (format.isEmpty() ? QString() : "<w:rPr>" + format + "</w:rPr>") +
           QStringLiteral(R"(<w:t xml:space="preserve">)") + text + QStringLiteral("</w:t></w:r>");
}
QString Row(const QStringList& cells) {
    QString row = QStringLiteral("<w:tr>");
    for (const QString& cell : cells) {
        row += "<w:tc><w:tcPr><w:tcW w:w=\"1500\" w:type=\"dxa\"/></w:tcPr>" + P(cell) + "</w:tc>";
    }
    return row + QStringLiteral("</w:tr>");
}
QString Table(const QStringList& rows, int columns) {
    QString grid = QStringLiteral("<w:tblGrid>");
    for (int i = 0; i < columns; ++i) {
        grid += QStringLiteral(R"(<w:gridCol w:w="1500"/>)");
    }
    return "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr>" + grid + "</w:tblGrid>" +
           rows.join(QString()) + "</w:tbl>";
}

// Tags split the way Word splits typed text: revision-id runs, proofing marks, a bookmark inside a
// tag, an insertion and a deletion inside a tag, a hyperlink; a header with a tag.
QList<QPair<QString, QByteArray>> HandSplitPackage() {
    const QString body =
        P(R("检测人员：") + R("{{", "<w:b/>") + "<w:proofErr w:type=\"spellStart\"/>" +
          "<w:r w:rsidR=\"00AB12CD\"><w:rPr><w:i/></w:rPr><w:t>检测</w:t></w:r>" +
          "<w:bookmarkStart w:id=\"0\" w:name=\"mark\"/>" + R("人员") + "<w:bookmarkEnd w:id=\"0\"/>" +
          "<w:proofErr w:type=\"spellEnd\"/>" + R("}}") + R("。")) +
        P(R("{{检测") + "<w:del w:id=\"1\" w:author=\"a\"><w:r><w:delText>旧文字</w:delText></w:r></w:del>" +
          "<w:ins w:id=\"2\" w:author=\"a\"><w:r><w:t>地点}}</w:t></w:r></w:ins>") +
        P("<w:hyperlink w:anchor=\"mark\">" + R("{{ 检测") + "</w:hyperlink>" + R("日期 }}")) +
        Table(
            {Row({R("序号"), R("测点"), R("值"), R("图")}),
             Row({R("{{ 序号 }}") + "<w:bookmarkStart w:id=\"7\" w:name=\"row\"/><w:bookmarkEnd w:id=\"7\"/>",
                  R("{{列:") + R("测试点}}"), R("{{有效值}}") + R("&lt;&amp;"),
                  R("{{@图") + R("1 80x60}}")})},
            4) +
        P(R("共 {{记录数}} 条，{{数据集}}，{{检测方法}}"));
    return Package(body, P(R("{{报告标题}}")));
}

// Index parts with namespace prefixes, one picture file used twice in the record row, and an XML
// comment full of "<docPr " without ">".
QList<QPair<QString, QByteArray>> PrefixedPackage() {
    const QString body = P(R("检测人员：{{检测人员}}")) +
                         Table({Row({R("{{序号}}"), R("{{@图1 40x30}}") + R("{{@图1 40x30}}")})}, 2) +
                         "<!--" + QStringLiteral("<docPr ").repeated(145000) + "-->";
    QList<QPair<QString, QByteArray>> parts = Package(body);
    parts.append(qMakePair(QStringLiteral("word/media/ZOLT-PICTURE1.PNG"),
                           QByteArray("the template's own; no added part may take its name")));
    for (auto& [name, bytes] : parts) {
        if (name == QLatin1String("[Content_Types].xml")) {
            bytes.replace("<Types xmlns=", "<ct:Types xmlns:ct=")
                .replace("</Types>", "</ct:Types>")
                .replace("<Default ", "<ct:Default ")
                .replace("<Override ", "<ct:Override ");
        } else if (name == QLatin1String("word/_rels/document.xml.rels")) {
            bytes.replace("<Relationships xmlns=", "<pr:Relationships xmlns:pr=")
                .replace("</Relationships>", "</pr:Relationships>");
        }
    }
    return parts;
}

// Why a picture of the report would not show: an r:embed without its relationship, a relationship
// without its part, a part without an image content type. Namespaces count, prefixes do not.
QString UnresolvedPicture(const QString& docx) {
    DocxPackage package(docx);
    const QString relationshipsNs =
        QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
    const QString typesNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");
    QHash<QString, QString> targets;
    QXmlStreamReader rels(package.Read(QStringLiteral("word/_rels/document.xml.rels")));
    while (!rels.atEnd()) {
        if (rels.readNext() == QXmlStreamReader::StartElement && rels.namespaceUri() == relationshipsNs &&
            rels.name() == u"Relationship") {
            targets.insert(rels.attributes().value("Id").toString(),
                           rels.attributes().value("Target").toString());
        }
    }
    QHash<QString, QString> types; // "ext" or "/part/name" -> content type
    QXmlStreamReader contentTypes(package.Read(QStringLiteral("[Content_Types].xml")));
    while (!contentTypes.atEnd()) {
        if (contentTypes.readNext() == QXmlStreamReader::StartElement &&
            contentTypes.namespaceUri() == typesNs) {
            const QXmlStreamAttributes attributes = contentTypes.attributes();
            const QString key = contentTypes.name() == u"Default"
                                    ? attributes.value("Extension").toString().toLower()
                                    : attributes.value("PartName").toString();
            types.insert(key, attributes.value("ContentType").toString());
        }
    }
    const QStringList names = package.EntryNames();
    QXmlStreamReader document(package.Read(QStringLiteral("word/document.xml")));
    while (!document.atEnd()) {
        if (document.readNext() != QXmlStreamReader::StartElement || document.name() != u"blip") {
            continue;
        }
        const QString id =
            document.attributes()
                .value(QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships"),
                       QStringLiteral("embed"))
                .toString();
        const QString part = QStringLiteral("word/") + targets.value(id);
        const QString type =
            types.value(QLatin1Char('/') + part, types.value(QFileInfo(part).suffix().toLower()));
        if (!targets.contains(id) || !names.contains(part) || !type.startsWith(QLatin1String("image/"))) {
            return QStringLiteral("picture %1 -> %2 (%3)").arg(id, part, type);
        }
    }
    return QString();
}

// Two entry names equal when case is ignored: one part to a reader, two files to an unzip tool.
QString CaseTwin(const QString& docx) {
    QSet<QString> seen;
    for (const QString& name : DocxPackage(docx).EntryNames()) {
        if (seen.contains(name.toCaseFolded())) {
            return name;
        }
        seen.insert(name.toCaseFolded());
    }
    return QString();
}

int AddedMedia(const QString& docx) {
    return static_cast<int>(
        DocxPackage(docx).EntryNames().filter(QStringLiteral("word/media/zolt-picture")).size());
}

// A flat OpenDocument text with tags in paragraphs and a table, as LibreOffice users write it.
QByteArray FlatOdt() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>
 <style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
</office:automatic-styles>
<office:body><office:text>
 <text:p>{{报告标题}}</text:p>
 <text:p>检测人员：<text:span text:style-name="B">{{检测</text:span>人员}}</text:p>
 <table:table table:name="T">
  <table:table-column table:number-columns-repeated="4"/>
  <table:table-row><table:table-cell><text:p>序号</text:p></table:table-cell><table:table-cell><text:p>背景值</text:p></table:table-cell><table:table-cell><text:p>有效值</text:p></table:table-cell><table:table-cell><text:p>PRPD</text:p></table:table-cell></table:table-row>
  <table:table-row><table:table-cell><text:p>{{序号}}</text:p></table:table-cell><table:table-cell><text:p>{{列:背景值}}</text:p></table:table-cell><table:table-cell><text:p>{{有效值}}</text:p></table:table-cell><table:table-cell><text:p>{{@图2 100x72}}</text:p></table:table-cell></table:table-row>
 </table:table>
 <text:p>检测日期：{{检测日期}}</text:p>
</office:text></office:body></office:document>
)";
}

// Every XML part's text that a reader would show as a tag: "{{" left anywhere.
bool HasLeftoverTags(const QString& docx) {
    DocxPackage package(docx);
    for (const QString& name : package.EntryNames()) {
        if (name.endsWith(QLatin1String(".xml")) && package.Read(name).contains("{{")) {
            return true;
        }
    }
    return false;
}

// The parts the filling writes, against the schemas; the others are the template's own bytes (the
// python-docx default template's styles, for one, are not schema-valid themselves). A chart's
// embedded workbook is unpacked and its parts checked too.
QString ValidateWrittenParts(const QString& docx) {
    QTemporaryDir folder;
    DocxPackage package(docx);
    if (!package.ExtractTo(folder.path())) {
        return QStringLiteral("cannot extract ") + docx;
    }
    static const QRegularExpression written(QStringLiteral("^word/(document|header\\d*|footer\\d*)\\.xml$"));
    static const QRegularExpression chart(QStringLiteral("^word/charts/zolt-chart\\d+\\.xml$"));
    const QString relationships = QStringLiteral("ecma/fouth-edition/opc-relationships.xsd");
    const QString contentTypes = QStringLiteral("ecma/fouth-edition/opc-contentTypes.xsd");
    QList<QPair<QString, QString>> parts; // file, schema
    for (const QString& name : package.EntryNames()) {
        if (name == QLatin1String("[Content_Types].xml")) {
            parts.append({name, contentTypes});
        } else if (name == QLatin1String("word/_rels/document.xml.rels") ||
                   name.startsWith("word/charts/_rels/")) {
            parts.append({name, relationships});
        } else if (written.match(name).hasMatch()) {
            parts.append({name, QStringLiteral("ISO-IEC29500-4_2016/wml.xsd")});
        } else if (chart.match(name).hasMatch()) {
            parts.append({name, QStringLiteral("ISO-IEC29500-4_2016/dml-chart.xsd")});
        } else if (name.startsWith(QLatin1String("word/embeddings/zolt-chart"))) {
            const QString unpacked = name + QStringLiteral(".unpacked/");
            if (!DocxPackage(folder.filePath(name)).ExtractTo(folder.filePath(unpacked))) {
                return QStringLiteral("cannot unpack ") + name;
            }
            const QString sml = QStringLiteral("ISO-IEC29500-4_2016/sml.xsd");
            parts.append({unpacked + "[Content_Types].xml", contentTypes});
            parts.append({unpacked + "_rels/.rels", relationships});
            parts.append({unpacked + "xl/_rels/workbook.xml.rels", relationships});
            parts.append({unpacked + "xl/workbook.xml", sml});
            parts.append({unpacked + "xl/worksheets/sheet1.xml", sml});
        }
    }
    QStringList problems;
    for (const auto& [file, schema] : parts) {
        const QString problem = ExternalTools::ValidateXml(folder.filePath(file), schema);
        if (!problem.isEmpty()) {
            problems << problem;
        }
    }
    return problems.join(QLatin1Char('\n'));
}

int PictureCount(const QString& docx) {
    DocxPackage package(docx);
    return static_cast<int>(package.Read(QStringLiteral("word/document.xml")).count("<pic:pic"));
}

QString BodyText(const QString& docx) {
    QString text;
    const DocxBody body(docx);
    for (const DocxBody::Element& element : body.Elements()) {
        if (!element.isTable) {
            text += element.paragraph.Text() + QLatin1Char('\n');
            continue;
        }
        for (const auto& row : element.table.rows) {
            for (const DocxBody::Cell& cell : row) {
                text += cell.Text() + QLatin1Char('|');
            }
            text += QLatin1Char('\n');
        }
    }
    return text;
}

// The body as a reader compares two reports: paragraph texts, table shapes with cell texts, spans
// and picture sizes, in order.
QStringList Shape(const QString& docx) {
    QStringList shape;
    const DocxBody body(docx);
    for (const DocxBody::Element& element : body.Elements()) {
        if (!element.isTable) {
            shape << element.paragraph.Text();
            continue;
        }
        shape << QStringLiteral("table %1 columns").arg(element.table.gridColumns);
        for (const auto& row : element.table.rows) {
            QStringList cells;
            for (const DocxBody::Cell& cell : row) {
                QString item = cell.Text() + QStringLiteral("/span%1").arg(cell.gridSpan);
                for (const DocxBody::Run& picture : cell.Pictures()) {
                    item += QStringLiteral("/pic%1x%2").arg(picture.pictureCx).arg(picture.pictureCy);
                }
                cells << item;
            }
            shape << cells.join(QLatin1Char('|'));
        }
    }
    return shape;
}

// Templates as editors write them, filled from records 1-4 of the demo data set.
struct EditorTemplate {
    const char* name;
    QString source; // "res:NAME" of res/templates, "hand" split by hand, "fodt" saved by LibreOffice,
                    // "prefixed" with prefixed index parts
    QString method;
    QStringList expected; // in the body text or the first header
    int pictures;
    int media; // image parts: each picture file once
};

QList<EditorTemplate> EditorTemplates() {
    return {
        {"python-docx, built-in layout",
         "res:builtin-us.docx",
         "us",
         {"US局部放电检测报告", "检测人员：张工", "检测地点：城南变电站", "检测日期：2020年8月6日", "\n4|"},
         12,
         12},
        {"python-docx, utility example",
         "res:example-utility.docx",
         "tev",
         {"TEV局部放电检测报告", "检测方法：TEV", "记录数：4", "检测：张工", "\n4|"},
         4,
         4},
        {"python-docx, summary example",
         "res:example-summary.docx",
         "tev",
         {"报告编号：ZJ-0042", "正常 3 处，其余 1 处", "检测结论：正常 3，异常 1", "有 1 处异常",
          "\n1|10kV 母联 900 开关柜|前下|7|异常|\n有 1 处", "开关柜|1|后中|9|正常|\n|2|侧下|"},
         0,
         0},
        {"hand-split runs",
         "hand",
         "hfct",
         {"检测人员：张工。", "城南变电站", "2020年8月6日", "共 4 条，模板 数据，HFCT", "\n3|"},
         4,
         4},
        {"LibreOffice from .fodt",
         "fodt",
         "us",
         {"US局部放电检测报告", "检测人员：张工", "检测日期：2020年8月6日"},
         4,
         4},
        {"prefixed index parts, a picture twice", "prefixed", "us", {"检测人员：张工", "\n4|"}, 8, 4},
    };
}

} // namespace

class TestTemplate : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_data;
    QString m_units; // 有效值 with units after the numbers, one without a number
    QHash<QString, QPair<QString, QString>>
        m_reports; // editors' templates filled: source -> template, report

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QStringList Common(const QString& method, const QString& templatePath, const QString& out) const {
        return {"--data", m_data, "--method",    method, "--out",   out,          "--template", templatePath,
                "--rows", "1-4",  "--inspector", "张工", "--place", "城南变电站", "--date",     "2020-08-06"};
    }

    // A report of the US records `rows` ("u1-5": of the data set with units) from a template with
    // `body`; `occupied`: the template has a part named as the first chart's would be. Empty when it
    // could not be written (the test has failed).
    QString ChartReport(const QString& name, const QString& body, const QString& rows,
                        bool occupied = false) {
        const QString templatePath = Path(name + QStringLiteral(".docx"));
        QList<QPair<QString, QByteArray>> parts = Package(body);
        if (occupied) {
            parts.append({QStringLiteral("word/charts/ZOLT-CHART1.xml"), QByteArray("<c/>")});
        }
        const QString out = Path(name + QStringLiteral("-filled.docx"));
        QStringList arguments = Common(QStringLiteral("us"), templatePath, out);
        arguments[arguments.indexOf(QStringLiteral("--rows")) + 1] = QString(rows).remove(QLatin1Char('u'));
        if (rows.startsWith(QLatin1Char('u'))) {
            arguments[arguments.indexOf(QStringLiteral("--data")) + 1] = m_units;
        }
        const Result result = WriteZip(templatePath, parts) ? RunReport(arguments) : Result();
        if (result.exitCode != 0) {
            qWarning("%s", qPrintable(result.err));
            return QString();
        }
        return out;
    }

    // The report of one of the editors' templates (see EditorTemplates), filled on first use and
    // kept for the tests that look at it, whichever runs first. `out` stays empty when the template
    // could not be made or filled (the test has failed or been skipped).
    void Filled(const QString& source, const QString& method, QString* templatePath, QString* out) {
        if (m_reports.contains(source)) {
            *templatePath = m_reports[source].first;
            *out = m_reports[source].second;
            return;
        }
        QString made;
        if (source.startsWith(QLatin1String("res:"))) {
            made = kSource + QStringLiteral("/res/templates/") + source.mid(4);
        } else if (source == QLatin1String("hand")) {
            made = Path(QStringLiteral("hand.docx"));
            QVERIFY(WriteZip(made, HandSplitPackage()));
        } else if (source == QLatin1String("prefixed")) {
            made = Path(QStringLiteral("prefixed.docx"));
            QVERIFY(WriteZip(made, PrefixedPackage()));
        } else {
            ZOLT_REQUIRE(ExternalTools::MissingForPdf());
            made = Path(QStringLiteral("lo/libreoffice.docx"));
            QVERIFY(QDir().mkpath(Path(QStringLiteral("lo"))));
            QFile fodt(Path(QStringLiteral("lo/libreoffice.fodt")));
            QVERIFY(fodt.open(QIODevice::WriteOnly));
            fodt.write(FlatOdt());
            fodt.close();
            QTemporaryDir profile;
            QProcess soffice;
            soffice.start(QStringLiteral("soffice"),
                          {"--headless", "--norestore",
                           "-env:UserInstallation=" + QUrl::fromLocalFile(profile.path()).toString(),
                           "--convert-to", "docx", "--outdir", Path(QStringLiteral("lo")), fodt.fileName()});
            QVERIFY(soffice.waitForFinished(240000));
            QVERIFY2(QFileInfo::exists(made), soffice.readAllStandardError().constData());
        }
        const QString filled = Path(QStringLiteral("filled-%1.docx").arg(QString(source).replace(':', '_')));
        const Result result = RunReport(Common(method, made, filled) + QStringList{"--number", "ZJ-0042"});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        m_reports.insert(source, {made, filled});
        *templatePath = made;
        *out = filled;
    }

private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("ZOLT_REPORT"));
        // The window's settings go to a test folder, never the user's.
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
#ifdef Q_OS_WIN
        // There they go to the registry, which needs an organization's name: a key of the test's own.
        QCoreApplication::setOrganizationName(QStringLiteral("ZOLT 测试"));
        QCoreApplication::setApplicationName(QStringLiteral("template"));
#endif
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("模板 数据"), 6);
        QVERIFY(!m_data.isEmpty());
        m_units = DemoDataSets::Good(m_dir.path(), QStringLiteral("单位"), 6);
        QVERIFY(DemoDataSets::Execute(CDataSetLayout::DatabasePath(m_units),
                                      {"UPDATE AE_RECORD SET 有效值 = 有效值 || ' mV'",
                                       "UPDATE AE_RECORD SET 有效值 = '未测' WHERE 序号 = 3",
                                       "UPDATE AE_RECORD SET 有效值 = '8.2 dB' WHERE 序号 = 6"}));
    }

    // Templates as editors write them are filled: every tag replaced, the record row once per record,
    // the pictures in, the parts without tags copied byte for byte, and the result schema-valid and
    // readable by python-docx.
    void fillsTemplatesAsEditorsWriteThem_data() {
        QTest::addColumn<QString>("source"); // "res:NAME", "hand", "fodt", "prefixed"
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("media"); // image parts: each picture file once
        for (const EditorTemplate& row : EditorTemplates()) {
            QTest::newRow(row.name) << row.source << row.method << row.expected << row.pictures << row.media;
        }
    }

    void fillsTemplatesAsEditorsWriteThem() {
        QFETCH(QString, source);
        QFETCH(QString, method);
        QFETCH(QStringList, expected);
        QFETCH(int, pictures);
        QFETCH(int, media);
        QString templatePath;
        QString out;
        Filled(source, method, &templatePath, &out);
        if (out.isEmpty()) {
            return; // failed or skipped
        }
        QVERIFY(!HasLeftoverTags(out));
        const QString text = BodyText(out) + QString::fromUtf8(DocxPackage(out).Read("word/header1.xml"));
        for (const QString& piece : expected) {
            QVERIFY2(text.contains(piece), qPrintable(piece + QStringLiteral(" not in:\n") + text));
        }
        QCOMPARE(PictureCount(out), pictures);
        QCOMPARE(AddedMedia(out), media);
        QCOMPARE(UnresolvedPicture(out), QString());
        QCOMPARE(CaseTwin(out), QString());

        // Parts without tags go over unchanged.
        DocxPackage before(templatePath);
        DocxPackage after(out);
        for (const QString& name : before.EntryNames()) {
            if (name != QLatin1String("word/document.xml") && !name.contains(QLatin1String("header")) &&
                !name.contains(QLatin1String("footer")) && !name.endsWith(QLatin1String(".rels")) &&
                name != QLatin1String("[Content_Types].xml")) {
                QVERIFY2(before.Read(name) == after.Read(name), qPrintable(name));
            }
        }
        if (ExternalTools::MissingForSchemas().isEmpty()) {
            QCOMPARE(ValidateWrittenParts(out), QString());
        }
        if (ExternalTools::MissingForPythonDocx().isEmpty()) {
            ExternalTools::DocxView view;
            QCOMPARE(ExternalTools::ReadWithPythonDocx(out, &view), QString());
            QCOMPARE(view.inlinePictures >= pictures, true);
        }
    }

    // Replacements keep the format of the tag's first character, not of later pieces.
    void replacementTakesTheFormatOfTheTagsFirstRun() {
        QString templatePath;
        QString out;
        Filled(QStringLiteral("hand"), QStringLiteral("hfct"), &templatePath, &out);
        QVERIFY(!out.isEmpty());
        const DocxBody body(out);
        const DocxBody::Paragraph& first = body.Elements()[0].paragraph;
        bool found = false;
        for (const DocxBody::Run& run : first.runs) {
            if (run.text == QStringLiteral("张工")) {
                QVERIFY(run.bold);
                found = true;
            }
        }
        QVERIFY(found);
        // The deleted text stays a deletion; it is not part of the tag.
        const QByteArray document = DocxPackage(out).Read("word/document.xml");
        QVERIFY(document.contains("旧文字"));
        // A bookmark in the record row stays once: names and ids must be unique.
        QCOMPARE(document.count("w:name=\"row\""), 1);
    }

    // LibreOffice renders every filled report with its texts and pictures. LibreOffice 7.4 does not
    // load a package whose index parts use a namespace prefix (the template's own choice, which the
    // report keeps); the readers of fillsTemplatesAsEditorsWriteThem check that one.
    void rendersInLibreOffice() {
        ZOLT_REQUIRE(ExternalTools::MissingForPdf());
        QStringList filled;
        QList<int> filledImages;
        for (const EditorTemplate& row : EditorTemplates()) {
            if (row.source == QLatin1String("prefixed")) {
                continue;
            }
            QString templatePath;
            QString out;
            Filled(row.source, row.method, &templatePath, &out);
            QVERIFY2(!out.isEmpty(), row.name);
            filled << out;
            filledImages << row.pictures;
        }
        QStringList pdfs;
        QCOMPARE(ExternalTools::ConvertToPdf(filled, Path(QStringLiteral("pdf")), &pdfs), QString());
        for (int i = 0; i < pdfs.size(); ++i) {
            QString text;
            QCOMPARE(ExternalTools::PdfText(pdfs[i], &text), QString());
            QVERIFY2(text.contains(QStringLiteral("张工")), qPrintable(pdfs[i]));
            QVERIFY2(!text.contains(QStringLiteral("{{")), qPrintable(pdfs[i]));
            int images = 0;
            QCOMPARE(ExternalTools::PdfImageCount(pdfs[i], &images), QString());
            // The utility example's logo is in the header of every page.
            const int pages = static_cast<int>(text.count(QLatin1Char('\f')));
            const int logos = pdfs[i].contains(QLatin1String("utility")) ? pages : 0;
            QCOMPARE(images, filledImages[i] + logos);
        }
    }

    // The built-in layout as a template gives the built-in report: the same texts in the same order,
    // the same table shapes and picture sizes, also with no record at all.
    void builtinTemplateMatchesBuiltinReport_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("rows");
        QTest::newRow("us") << "us"
                            << "1-6";
        QTest::newRow("tev") << "tev"
                             << "2,4";
        QTest::newRow("hfct") << "hfct"
                              << "3";
    }

    void builtinTemplateMatchesBuiltinReport() {
        QFETCH(QString, method);
        QFETCH(QString, rows);
        const QStringList common{"--data", m_data,        "--method",   method,    "--rows",
                                 rows,     "--inspector", "张工",       "--model", "PD-71",
                                 "--date", "2021-01-02",  "--humidity", "55%"};
        const QString builtin = Path(QStringLiteral("builtin-%1.docx").arg(method));
        const QString filled = Path(QStringLiteral("template-%1.docx").arg(method));
        QCOMPARE(RunReport(common + QStringList{"--out", builtin}).exitCode, 0);
        const Result result =
            RunReport(common + QStringList{"--out", filled, "--template",
                                           kSource + "/res/templates/builtin-" + method + ".docx"});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(Shape(filled), Shape(builtin));
    }

    void noTickedRecordLeavesNoRecordRow() {
        const QString empty = DemoDataSets::EmptyTable(m_dir.path());
        const QString out = Path(QStringLiteral("empty.docx"));
        const Result result = RunReport({"--data", empty, "--method", "us", "--out", out, "--template",
                                         kSource + "/res/templates/builtin-us.docx"});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QStringList shape = Shape(out);
        const qsizetype table = shape.indexOf(QStringLiteral("table 14 columns"));
        QVERIFY(table > 0);
        QCOMPARE(shape[table + 2], QStringLiteral("")); // header row, then the empty paragraph
        QVERIFY(!HasLeftoverTags(out));
    }

    // A drawing of the template's own in a record row (a stamp, a mark) gets a new id in every copy:
    // ids repeated in one document make Word report it damaged.
    void ownPictureInRecordRowGetsNewIds() {
        const QString drawing =
            QStringLiteral("<w:r><w:drawing><wp:inline><wp:extent cx=\"9525\" cy=\"9525\"/>"
                           "<wp:docPr id=\"5\" name=\"stamp\"/></wp:inline></w:drawing></w:r>");
        const QString body = Table({Row({R("{{序号}}"), drawing + R("{{@图1}}")})}, 2);
        const QString templatePath = Path(QStringLiteral("stamp.docx"));
        QVERIFY(WriteZip(templatePath, Package(body)));
        const QString out = Path(QStringLiteral("stamp-filled.docx"));
        const Result result = RunReport(Common(QStringLiteral("us"), templatePath, out));
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QString xml = QString::fromUtf8(DocxPackage(out).Read("word/document.xml"));
        static const QRegularExpression docPr(QStringLiteral("<wp:docPr[^>]*\\bid=\"(\\d+)\""));
        QStringList ids;
        for (QRegularExpressionMatchIterator it = docPr.globalMatch(xml); it.hasNext();) {
            ids << it.next().captured(1);
        }
        QCOMPARE(ids.size(), 8); // four records, each with the stamp and its first picture
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
        QVERIFY(xml.contains(QStringLiteral("name=\"stamp\"")));
    }

    // A missing picture leaves its cell empty and is a warning naming the file, as in the built-in
    // report; a BMP picture is converted.
    void missingPicturesAreWarnings() {
        const QString bad = DemoDataSets::BadPictures(m_dir.path());
        const QString out = Path(QStringLiteral("bad-pictures.docx"));
        const Result result = RunReport({"--data", bad, "--method", "tev", "--out", out, "--template",
                                         kSource + "/res/templates/builtin-tev.docx"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.err.contains(QStringLiteral("The image to be inserted does not exist!")),
                 qPrintable(result.err));
        QVERIFY(result.err.contains(QStringLiteral("zolt-report: warning: ")));
        const QString builtin = Path(QStringLiteral("bad-pictures-builtin.docx"));
        QCOMPARE(RunReport({"--data", bad, "--method", "tev", "--out", builtin}).exitCode, 0);
        QCOMPARE(Shape(out), Shape(builtin));
        const QString bmp = DemoDataSets::Good(m_dir.path(), QStringLiteral("bmp"), 2, QStringLiteral("bmp"));
        const QString converted = Path(QStringLiteral("bmp.docx"));
        QCOMPARE(RunReport({"--data", bmp, "--method", "us", "--out", converted, "--template",
                            kSource + "/res/templates/builtin-us.docx"})
                     .exitCode,
                 0);
        QCOMPARE(PictureCount(converted), 6);
        QVERIFY(DocxPackage(converted).Read("[Content_Types].xml").contains("Extension=\"png\""));
    }

    // The figures over the ticked records, a row repeated for the matching records only, cells merged
    // down a column while their text repeats, blocks kept or left out by a count, the report number.
    void fillsFiguresConditionsAndBlocks_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("rows");         // "u1-5": of the data set with units
        QTest::addColumn<QStringList>("expected"); // pieces of the body text, in order
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("counts")
            << P(R("{{计数:检测结论=正常}}/{{计数：检测结论 != 正常}}/{{计数:检测结论=异常}}")) << "1-6"
            << QStringList{"4/2/0\n"} << QStringList();
        QTest::newRow("tally, first appearance order")
            << P(R("{{统计:检测结论}}")) << "4,1-3" << QStringList{"注意 1，正常 3\n"} << QStringList();
        QTest::newRow("largest, smallest, mean")
            << P(R("{{最大值:有效值}}|{{最小值:有效值}}|{{平均值:有效值}}")) << "1-6"
            << QStringList{"14.1|1.1|6.65\n"} << QStringList();
        QTest::newRow("units: the cell as it stands, the mean's unit when all share one")
            << P(R("{{最大值:有效值}}|{{最小值:有效值}}|{{平均值:有效值}}")) << "u1-5"
            << QStringList{"14.1 mV|1.9 mV|7.65mV\n"} << QStringList();
        QTest::newRow("units differ: the mean without one")
            << P(R("{{平均值:有效值}}")) << "u1-6" << QStringList{"7.76\n"} << QStringList{"mV", "dB"};
        QTest::newRow("mean drops trailing zeros")
            << P(R("{{平均值:有效值}}")) << "1,2" << QStringList{"2\n"} << QStringList{"2.0"};
        QTest::newRow("only matching records, numbered in their table")
            << Table({Row({R("{{序号}}"), R("{{列:设备名称}}{{仅当:检测结论=注意}}")}),
                      Row({R("{{序号}}"), R("{{列:设备名称}}{{仅当:检测结论!=注意}}")})},
                     2)
            << "1-6"
            << QStringList{"1|1号主变|\n2|110kV GIS 城南线间隔|\n1|2号主变|", "4|110kV GIS 母联间隔|"}
            << QStringList{"3|1号主变"};
        QTest::newRow("blocks kept, left out, nested")
            << P(R("{{#若 计数:检测结论=注意}}")) + P(R("有注意")) + P(R("{{#若无 计数:检测结论=异常}}")) +
                   Table({Row({R("无异常")})}, 1) + P(R("{{/若无}}")) + P(R("{{/若}}")) +
                   P(R("{{#若 计数:检测结论=异常}}")) + P(R("有异常")) + P(R("{{/若}}")) + P(R("完"))
            << "1-6" << QStringList{"有注意\n无异常|\n完\n"} << QStringList{"有异常", "若"};
        QTest::newRow("report number given, in every place")
            << P(R("{{报告编号:ZJ-{yyyy}-{nnnn}}}")) + P(R("编号 {{报告编号:ZJ-{yyyy}-{nnnn}}}。")) << "1"
            << QStringList{"ZJ-7\n编号 ZJ-7。"} << QStringList{"}"};
    }

    void fillsFiguresConditionsAndBlocks() {
        QFETCH(QString, body);
        QFETCH(QString, rows);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        const QString name = QStringLiteral("figures-%1").arg(QTest::currentDataTag()).replace(' ', '_');
        const QString templatePath = Path(name + QStringLiteral(".docx"));
        QVERIFY(WriteZip(templatePath, Package(body)));
        const QString out = Path(name + QStringLiteral("-filled.docx"));
        QStringList arguments =
            Common(QStringLiteral("us"), templatePath, out) + QStringList{"--number", "ZJ-7"};
        arguments[arguments.indexOf(QStringLiteral("--rows")) + 1] = QString(rows).remove(QLatin1Char('u'));
        if (rows.startsWith(QLatin1Char('u'))) {
            arguments[arguments.indexOf(QStringLiteral("--data")) + 1] = m_units;
        }
        const Result result = RunReport(arguments);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QString text = BodyText(out);
        qsizetype from = 0;
        for (const QString& piece : expected) {
            from = text.indexOf(piece, from);
            QVERIFY2(from >= 0, qPrintable(piece + QStringLiteral(" not in:\n") + text));
        }
        for (const QString& piece : absent) {
            QVERIFY2(!text.contains(piece), qPrintable(piece + QStringLiteral(" in:\n") + text));
        }
        QVERIFY(!HasLeftoverTags(out));
    }

    // Charts: the values of the ticked records with their labels, gaps and unit, the threshold line,
    // the size of the text of their section or the one given; each chart with parts, relationship
    // and drawing id of its own, around the template's names; none in a left-out block.
    void drawsCharts_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("rows");  // "u1-5": of the data set with units
        QTest::addColumn<bool>("occupied"); // the template has a part named as the first chart's would be
        QTest::addColumn<QStringList>("charts"); // "WxH|axis title|series|series…" in points
        QTest::newRow("labels, gap, unit, threshold")
            << P(R("{{@图表:有效值 按 测试点 阈值 5}}")) << "u1-5" << false
            << QStringList{"415.6x198.4|有效值 (mV)|有效值: 本体低压侧=1.9 A相盆式绝缘子=2.1 本体低压侧= "
                           "B相盆式绝缘子=12.5 "
                           "本体低压侧=14.1|阈值: 本体低压侧=5 A相盆式绝缘子=5 本体低压侧=5 B相盆式绝缘子=5 "
                           "本体低压侧=5"};
        QTest::newRow("positions, sizes, two charts, names taken")
            << P(R("{{@图表:有效值 300x150}}")) + P(R("{{@图表: 背景值 }}")) << "1-3" << true
            << QStringList{"300x150|有效值|有效值: 1=1.9 2=2.1 3=1.1",
                           "415.6x198.4|背景值|背景值: 1=0.2 2=0.2 3=0.6"};
        QTest::newRow("the width of its section's text")
            << P(R("{{@图表:有效值}}")) +
                   "<w:p><w:pPr><w:sectPr><w:pgSz w:w=\"16838\" w:h=\"11906\"/>"
                   "<w:pgMar w:top=\"1000\" w:right=\"1000\" w:bottom=\"1000\" w:left=\"1000\" "
                   "w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/></w:sectPr></w:pPr></w:p>" +
                   P(R("{{@图表:有效值}}"))
            << "1" << false
            << QStringList{"741.9x198.4|有效值|有效值: 1=1.9", "415.6x198.4|有效值|有效值: 1=1.9"};
        QTest::newRow("in a left-out block")
            << P(R("{{#若 计数:检测结论=无此结论}}")) + P(R("{{@图表:有效值}}")) + P(R("{{/若}}")) << "1-6"
            << false << QStringList();
    }

    void drawsCharts() {
        QFETCH(QString, body);
        QFETCH(QString, rows);
        QFETCH(bool, occupied);
        QFETCH(QStringList, charts);
        const QString out = ChartReport(
            QStringLiteral("chart-%1").arg(QTest::currentDataTag()).replace(' ', '_'), body, rows, occupied);
        QVERIFY(!out.isEmpty());
        QString error;
        const QList<ChartReader::Chart> found = ChartReader::ChartsOf(out, &error);
        QCOMPARE(error, QString());
        QStringList shown;
        QSet<QString> ids;
        QSet<QString> names;
        for (const ChartReader::Chart& chart : found) {
            shown << QStringLiteral("%1x%2|%3|")
                             .arg(std::round(chart.cx / 1270.0) / 10)
                             .arg(std::round(chart.cy / 1270.0) / 10)
                             .arg(chart.axisTitle) +
                         chart.series.join(QLatin1Char('|'));
            ids << chart.drawingId;
            names << chart.relationshipId << chart.part.toCaseFolded() << chart.workbook.toCaseFolded();
        }
        QCOMPARE(shown, charts);
        QCOMPARE(ids.size(), found.size());
        QCOMPARE(names.size(), 3 * found.size());
        QVERIFY(!names.contains(QStringLiteral("word/charts/zolt-chart1.xml")) || !occupied);
        const QStringList entries = DocxPackage(out).EntryNames();
        QCOMPARE(entries.filter(QStringLiteral("word/charts/zolt")).size() +
                     entries.filter(QStringLiteral("word/charts/_rels/")).size() +
                     entries.filter(QStringLiteral("word/embeddings/")).size(),
                 3 * found.size());
        QVERIFY(!HasLeftoverTags(out));
        if (ExternalTools::MissingForSchemas().isEmpty()) {
            QCOMPARE(ValidateWrittenParts(out), QString());
        }
    }

    // LibreOffice draws the chart: the page differs from the same report with the chart's paragraph
    // left empty.
    void drawsChartsInLibreOffice() {
        ZOLT_REQUIRE(ExternalTools::MissingForPdf());
        const QStringList reports{
            ChartReport(QStringLiteral("drawn-chart"),
                        P(R("{{检测人员}}")) + P(R("{{@图表:有效值 按 测试点 阈值 5}}")) + P(R("完")), "1-4"),
            ChartReport(QStringLiteral("drawn-empty"), P(R("{{检测人员}}")) + P(R("")) + P(R("完")), "1-4")};
        QVERIFY(!reports.contains(QString()));
        QStringList pdfs;
        QCOMPARE(ExternalTools::ConvertToPdf(reports, Path(QStringLiteral("drawn")), &pdfs), QString());
        QByteArray withChart;
        QByteArray without;
        QCOMPARE(ExternalTools::RenderPage(pdfs[0], 1, &withChart), QString());
        QCOMPARE(ExternalTools::RenderPage(pdfs[1], 1, &without), QString());
        QCOMPARE(withChart.size(), without.size()); // the same page size
        QVERIFY(withChart != without);
        QString text;
        QCOMPARE(ExternalTools::PdfText(pdfs[0], &text), QString());
        QVERIFY2(text.contains(QStringLiteral("阈值")) && text.contains(QStringLiteral("完")),
                 qPrintable(text));
    }

    // LibreOffice Calc opens a report's embedded workbook and finds the numbers the chart shows.
    void chartWorkbookOpensInCalc() {
        ZOLT_REQUIRE(ExternalTools::MissingForCalc());
        const QString report =
            ChartReport(QStringLiteral("calc"), P(R("{{@图表:有效值 按 测试点 阈值 5}}")), "u1-5");
        QVERIFY(!report.isEmpty());
        QString error;
        const QList<ChartReader::Chart> charts = ChartReader::ChartsOf(report, &error);
        QCOMPARE(charts.size(), 1);
        const QString workbook = Path(QStringLiteral("calc-workbook.xlsx"));
        QFile file(workbook);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(DocxPackage(report).Read(charts[0].workbook));
        file.close();
        QString csv;
        QCOMPARE(ExternalTools::ConvertToCsv(workbook, m_dir.path(), &csv), QString());
        // The sheet as the chart caches it: label=value per row under the names row.
        QStringList lines = csv.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.takeFirst().trimmed(), QStringLiteral("测试点,有效值,阈值"));
        QStringList values;
        QStringList limits;
        for (const QString& line : lines) {
            const QStringList cells = line.trimmed().split(QLatin1Char(','));
            QCOMPARE(cells.size(), 3);
            values << cells[0] + QLatin1Char('=') + cells[1];
            limits << cells[0] + QLatin1Char('=') + cells[2];
        }
        const QStringList fromCalc{QStringLiteral("有效值: ") + values.join(QLatin1Char(' ')),
                                   QStringLiteral("阈值: ") + limits.join(QLatin1Char(' '))};
        QCOMPARE(fromCalc, charts[0].series);
    }

    // Repeated texts of a merged column share one cell: a vertical merge started and continued in
    // the XML, and read back as one cell per run by python-docx.
    void mergesRepeatedCellsOfAColumn() {
        const QString templatePath = Path(QStringLiteral("merge.docx"));
        QVERIFY(
            WriteZip(templatePath, Package(Table({Row({R("{{合并列:设备名称}}"), R("{{列:测试点}}")})}, 2))));
        const QString out = Path(QStringLiteral("merge-filled.docx"));
        QStringList arguments = Common(QStringLiteral("us"), templatePath, out);
        arguments[arguments.indexOf(QStringLiteral("--rows")) + 1] = QStringLiteral("1,3,2,6,4");
        const Result result = RunReport(arguments);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QByteArray xml = DocxPackage(out).Read("word/document.xml");
        QCOMPARE(xml.count("<w:vMerge w:val=\"restart\"/>"), 3);
        QCOMPARE(xml.count("<w:vMerge w:val=\"continue\"/>"), 2);
        QCOMPARE(BodyText(out),
                 QStringLiteral("2号主变|本体低压侧|\n|本体低压侧|\n110kV GIS 母联间隔|A相盆式绝缘子|\n"
                                "|A相盆式绝缘子|\n1号主变|B相盆式绝缘子|\n"));
        if (ExternalTools::MissingForSchemas().isEmpty()) {
            QCOMPARE(ValidateWrittenParts(out), QString());
        }
        if (ExternalTools::MissingForPythonDocx().isEmpty()) {
            ExternalTools::DocxView view;
            QCOMPARE(ExternalTools::ReadWithPythonDocx(out, &view), QString());
            QCOMPARE(view.tables.size(), 1);
            QCOMPARE(view.tables[0][1][0], QStringLiteral("2号主变"));
            QCOMPARE(view.tables[0][3][0], QStringLiteral("110kV GIS 母联间隔"));
        }
    }

    // Report numbers from the counter in ZOLT.DB3: two processes at once never share one and leave
    // no gap; a failed report and --number take none; another year starts at 1 again.
    void reportNumbersAreTakenOnceEach() {
        const QString folder = Path(QStringLiteral("numbers"));
        QVERIFY(QDir().mkpath(folder));
        const QString templatePath = Path(QStringLiteral("numbers/number.docx"));
        const QString number = QStringLiteral("{{报告编号:ZJ-{yyyy}-{nnnn}}}");
        QVERIFY(WriteZip(templatePath,
                         Package(P(R(number)) + Table({Row({R("{{序号}}")})}, 1) + P(R("末 " + number)))));
        // Fails after its number has been printed: the tag after it is unknown.
        const QString failing = Path(QStringLiteral("numbers/failing.docx"));
        QVERIFY(WriteZip(failing, Package(P(R(number)) + P(R("{{检测员}}")))));
        const auto arguments = [&](const QString& out, const QString& date, const QString& with = QString()) {
            return QStringList{"--data", m_data, "--method",   "us",
                               "--out",  out,    "--template", with.isEmpty() ? templatePath : with,
                               "--date", date};
        };
        QStringList numbers;
        for (int round = 0; round < 3; ++round) {
            QList<QProcess*> processes;
            for (int i = 0; i < 2; ++i) {
                auto* process = new QProcess(this);
                process->setWorkingDirectory(folder);
                process->start(
                    qEnvironmentVariable("ZOLT_REPORT"),
                    arguments(folder + QStringLiteral("/r%1-%2.docx").arg(round).arg(i), "2020-08-06"));
                processes << process;
            }
            for (int i = 0; i < 2; ++i) {
                QVERIFY(processes[i]->waitForFinished(240000));
                QCOMPARE(processes[i]->exitCode(), 0);
                const QString text = BodyText(folder + QStringLiteral("/r%1-%2.docx").arg(round).arg(i));
                numbers << text.section('\n', 0, 0);
                QVERIFY2(text.endsWith("末 " + numbers.last() + '\n'), qPrintable(text));
                delete processes[i];
            }
        }
        numbers.sort();
        QCOMPARE(numbers, (QStringList{"ZJ-2020-0001", "ZJ-2020-0002", "ZJ-2020-0003", "ZJ-2020-0004",
                                       "ZJ-2020-0005", "ZJ-2020-0006"}));
        QCOMPARE(RunReport(arguments(folder + "/failed.docx", "2020-08-06", failing), folder).exitCode, 1);
        QCOMPARE(RunReport(arguments(folder + "/given.docx", "2020-08-06") + QStringList{"--number", "手写"},
                           folder)
                     .exitCode,
                 0);
        QCOMPARE(BodyText(folder + "/given.docx").section('\n', 0, 0), QStringLiteral("手写"));
        QCOMPARE(RunReport(arguments(folder + "/next.docx", "2020-12-31"), folder).exitCode, 0);
        QCOMPARE(BodyText(folder + "/next.docx").section('\n', 0, 0), QStringLiteral("ZJ-2020-0007"));
        QCOMPARE(RunReport(arguments(folder + "/year.docx", "2021-01-01"), folder).exitCode, 0);
        QCOMPARE(BodyText(folder + "/year.docx").section('\n', 0, 0), QStringLiteral("ZJ-2021-0001"));
    }

    // Bad templates and bad use: one line naming the reason, and no report written.
    void refusesBadTemplates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // the template file; empty: made from `parts`
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString ok = P(R("{{检测人员}}"));
        QTest::newRow("not a zip") << "text.docx" << QByteArray("just text") << ""
                                   << ""
                                   << "r.docx" << 1
                                   << "cannot be used: it is not a .docx file (not a ZIP archive)";
        QTest::newRow("encrypted document")
            << "secret.docx" << (QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(504, '\0')) << ""
            << ""
            << "r.docx" << 1 << "it is an encrypted (password-protected) document";
        QTest::newRow("no document part")
            << "nodoc.docx" << QByteArray() << ""
            << ""
            << "r.docx" << 1 << "the package has no document part (word/document.xml)";
        QTest::newRow("only unknown tags")
            << "unknown.docx" << QByteArray() << P(R("{{检测员}}")) + P(R("{{站名}}")) << ""
            << "r.docx" << 1 << "unknown tag {{检测员}} in word/document.xml, paragraph 1";
        QTest::newRow("unclosed tag")
            << "open.docx" << QByteArray() << ok + P(R("{{检测") + R("日期")) << ""
            << "r.docx" << 1 << "unclosed tag \"{{检测日期\" (no \"}}\") in word/document.xml, paragraph 2";
        QTest::newRow("record tag outside a row")
            << "record.docx" << QByteArray() << P(R("第 {{序号}} 条")) << ""
            << "r.docx" << 1 << "record tag {{序号}} outside a table row in word/document.xml, paragraph 1";
        QTest::newRow("picture tag outside a row")
            << "picture.docx" << QByteArray() << ok + P(R("{{@图1}}")) << ""
            << "r.docx" << 1 << "picture tag {{@图1}} outside a table row in word/document.xml, paragraph 2";
        const QString textBox =
            R"(<w:r><w:drawing><wp:anchor><a:graphic><a:graphicData><wps:wsp><wps:txbx><w:txbxContent>)" +
            P(R("{{@图2}}")) +
            R"(</w:txbxContent></wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>)";
        QTest::newRow("picture tag in a text box")
            << "box.docx" << QByteArray() << Table({Row({R("{{序号}}") + textBox})}, 1) << ""
            << "r.docx" << 1 << "picture tag {{@图2}} in a text box in word/document.xml, paragraph 2";
        QTest::newRow("record tag in a header")
            << "header.docx" << QByteArray() << ok << Table({Row({R("{{序号}}")})}, 1) << "r.docx" << 1
            << "record tag {{序号}} in word/header1.xml, paragraph 1: record and picture tags work only in "
               "the "
               "table rows of the body";
        QTest::newRow("unknown column")
            << "column.docx" << QByteArray() << Table({Row({R("{{列:站名}}")})}, 1) << ""
            << "r.docx" << 1 << "unknown column \"站名\" in tag {{列:站名}}";
        QTest::newRow("bad picture size")
            << "size.docx" << QByteArray() << Table({Row({R("{{@图1 0x10}}")})}, 1) << ""
            << "r.docx" << 1 << "bad picture size in tag {{@图1 0x10}}";
        QTest::newRow("entity expansion")
            << "entities.docx" << QByteArray() << ""
            << ""
            << "r.docx" << 1 << "word/document.xml has a document type declaration (DTD)";
        QTest::newRow("zip bomb") << "bomb.docx" << QByteArray() << ok << ""
                                  << "r.docx" << 1 << "entry word/media/zeros.bin expands";
        // Hostile packages: each the smallest that shows its fault.
        QTest::newRow("ZIP64 compressed size 2^64-1")
            << "zip64.docx"
            << HostileZip({{"word/media/a.bin", "x", false, 0100644, false, 2 << 20, true}}, ok) << ""
            << ""
            << "r.docx" << 1 << "entry word/media/a.bin states sizes the file cannot hold";
        QList<RawEntry> many;
        for (int i = 0; i < 1000; ++i) {
            many.append({"word/media/" + QByteArray::number(i), ""});
        }
        QTest::newRow("too many entries") << "entries.docx" << HostileZip(many, ok) << ""
                                          << ""
                                          << "r.docx" << 1 << "the package has 1004 entries, more than 1000";
        QList<RawEntry> headers; // each exactly 1 MiB: below the size from which ratios are checked
        const QByteArray open = "<w:hdr " + QByteArray(kNamespaces) + ">";
        const QByteArray header = open + QByteArray((1 << 20) - open.size() - 8, ' ') + "</w:hdr>";
        for (int i = 1; i <= 33; ++i) {
            headers.append({"word/header" + QByteArray::number(i) + ".xml", header, true});
        }
        QTest::newRow("headers beyond the total size")
            << "headers.docx" << HostileZip(headers, ok) << ""
            << ""
            << "r.docx" << 1 << "the package unpacks to more than 32 MiB (entry word/header32.xml)";
        QTest::newRow("../ in a name")
            << "dotdot.docx" << HostileZip({{"word/../../evil.txt", "x"}}, ok) << ""
            << ""
            << "r.docx" << 1 << "\"word/../../evil.txt\" is not a part name";
        QTest::newRow("absolute name") << "absolute.docx" << HostileZip({{"/tmp/evil.txt", "x"}}, ok) << ""
                                       << ""
                                       << "r.docx" << 1 << "\"/tmp/evil.txt\" is not a part name";
        QTest::newRow("names equal but for case")
            << "case.docx" << HostileZip({{"word/media/a.png", "x"}, {"word/media/A.png", "y"}}, ok) << ""
            << ""
            << "r.docx" << 1 << "named \"word/media/a.png\" when case is ignored";
        QTest::newRow("symbolic link")
            << "link.docx" << HostileZip({{"word/media/link.png", "/etc/passwd", false, 0120777}}, ok) << ""
            << ""
            << "r.docx" << 1 << "entry word/media/link.png is a symbolic link";
        QTest::newRow("inflates beyond its stated size")
            << "lying.docx"
            << HostileZip({{"word/media/a.bin", QByteArray(4096, 'z'), true, 0100644, false, 181}}, ok) << ""
            << ""
            << "r.docx" << 1 << "word/media/a.bin cannot be unpacked";
        QTest::newRow("bad CRC of a stored part")
            << "crc.docx" << HostileZip({{"word/media/a.bin", "abc", false, 0100644, true}}, ok) << ""
            << ""
            << "r.docx" << 1 << "word/media/a.bin cannot be unpacked (CRC error)";
        QTest::newRow("malformed styles.xml")
            << "styles.docx" << HostileZip({{"word/styles.xml", "<w:styles><w:style></w:styles>", true}}, ok)
            << ""
            << ""
            << "r.docx" << 1 << "word/styles.xml is not well-formed XML";
        QTest::newRow("file entity in styles.xml")
            << "xxe.docx"
            << HostileZip({{"word/styles.xml",
                            "<!DOCTYPE s [<!ENTITY f SYSTEM \"file:///etc/passwd\">]><s>&f;</s>", true}},
                          ok)
            << ""
            << ""
            << "r.docx" << 1 << "word/styles.xml has a document type declaration (DTD)";
        QTest::newRow("long tag with controls")
            << "echo.docx" << QByteArray()
            << P(R(QStringLiteral("{{\u202E\u200F") + QString(100000, 'x') + "}}")) << ""
            << "r.docx" << 1 << "unknown tag {{\\u202E\\u200Fxxxx";
        QTest::newRow("too many tags")
            << "tags.docx" << QByteArray() << P(R("{{检测人员}}").repeated(10001)) << ""
            << "r.docx" << 1 << "the template has more than 10000 tags";
        QTest::newRow("too many pictures in a row")
            << "pictures.docx" << QByteArray() << Table({Row({R("{{@图1}}").repeated(31)})}, 1) << ""
            << "r.docx" << 1 << "more than 30 picture tags in one table row";
        QTest::newRow("too big a paragraph")
            << "unit.docx" << QByteArray() << P(QStringLiteral("<w:r/>").repeated(100000)) << ""
            << "r.docx" << 1 << "a paragraph or table row of more than 100000 XML elements";
        QTest::newRow("too deep") << "deep.docx" << QByteArray()
                                  << P(QStringLiteral("<w:r>").repeated(300) +
                                       QStringLiteral("</w:r>").repeated(300))
                                  << ""
                                  << "r.docx" << 1 << "nests elements more than 256 deep";
        // An element with `count` attributes made from `pattern` ("%1": the attribute's number).
        const auto numbered = [](const char* pattern, int count) {
            QString element = QStringLiteral("<w:r");
            for (int i = 0; i < count; ++i) {
                element += QString::fromLatin1(pattern).arg(i);
            }
            return element + QStringLiteral("/>");
        };
        QTest::newRow("too many attributes")
            << "attributes.docx" << QByteArray() << P(numbered(" a%1=\"\"", 65)) << ""
            << "r.docx" << 1 << "has an element with more than 64 attributes";
        QTest::newRow("too many namespace declarations")
            << "declarations.docx" << QByteArray() << P(numbered(" xmlns:n%1=\"urn:n\"", 129)) << ""
            << "r.docx" << 1 << "more than 128 namespace declarations in scope";
        QTest::newRow("figure of an unknown column")
            << "figure.docx" << QByteArray() << P(R("{{平均值:站名}}")) << ""
            << "r.docx" << 1
            << "unknown column \"站名\" in tag {{平均值:站名}} in word/document.xml, paragraph 1";
        QTest::newRow("condition of an unknown column")
            << "condition.docx" << QByteArray() << P(R("{{计数:站名=正常}}")) << ""
            << "r.docx" << 1 << "unknown column \"站名\" in tag {{计数:站名=正常}}";
        QTest::newRow("malformed condition")
            << "malformed.docx" << QByteArray() << P(R("{{计数:检测结论}}")) << ""
            << "r.docx" << 1
            << "malformed condition in tag {{计数:检测结论}} (COLUMN=VALUE or COLUMN!=VALUE) in "
               "word/document.xml, paragraph 1";
        QTest::newRow("only outside a record row")
            << "only.docx" << QByteArray() << ok + P(R("{{仅当:检测结论=正常}}")) << ""
            << "r.docx" << 1
            << "record tag {{仅当:检测结论=正常}} outside a table row in word/document.xml, paragraph 2";
        QTest::newRow("merged column in a header")
            << "mergehead.docx" << QByteArray() << ok << Table({Row({R("{{合并列:检测结论}}")})}, 1)
            << "r.docx" << 1 << "record tag {{合并列:检测结论}} in word/header1.xml, paragraph 1";
        QTest::newRow("block without its end")
            << "open-block.docx" << QByteArray() << ok + P(R("{{#若 计数:检测结论=正常}}")) + ok << ""
            << "r.docx" << 1
            << "{{#若 计数:检测结论=正常}} without its {{/若}} in word/document.xml, paragraph 2";
        QTest::newRow("end without its block")
            << "close-block.docx" << QByteArray() << P(R("{{#若无 计数:检测结论=正常}}")) + P(R("{{/若}}"))
            << ""
            << "r.docx" << 1 << "{{/若}} without its {{#若 …}} in word/document.xml, paragraph 2";
        QTest::newRow("marker with other text")
            << "shared.docx" << QByteArray()
            << P(R("注：") + R("{{#若 计数:检测结论=正常}}")) + P(R("{{/若}}")) << ""
            << "r.docx" << 1
            << "block marker {{#若 计数:检测结论=正常}} shares its paragraph with other text in "
               "word/document.xml, "
               "paragraph 1";
        QTest::newRow("marker in a table")
            << "cellmarker.docx" << QByteArray() << Table({Row({R("{{/若}}")})}, 1) << ""
            << "r.docx" << 1 << "block marker {{/若}} outside the body's own paragraphs in word/document.xml";
        QTest::newRow("marker in a content control")
            << "sdtmarker.docx" << QByteArray()
            << P(R("{{#若 计数:检测结论=异常}}")) + "<w:sdt><w:sdtContent>" + P(R("{{/若}}")) +
                   "</w:sdtContent></w:sdt>"
            << ""
            << "r.docx" << 1
            << "block marker {{/若}} outside the body's own paragraphs in word/document.xml, paragraph 2";
        QTest::newRow("pattern without a counter")
            << "pattern.docx" << QByteArray() << P(R("{{报告编号:ZJ-{yyyy}}}")) << ""
            << "r.docx" << 1 << "report number pattern without {n} in tag {{报告编号:ZJ-{yyyy}}}";
        QTest::newRow("two report number patterns")
            << "patterns.docx" << QByteArray() << P(R("{{报告编号:A{nn}}}")) + P(R("{{报告编号:B{nn}}}"))
            << ""
            << "r.docx" << 1
            << "a second report number pattern {{报告编号:B{nn}}} in word/document.xml, "
               "paragraph 2 (the first: {{报告编号:A{nn}}})";
        QTest::newRow("chart of an unknown column")
            << "chartcolumn.docx" << QByteArray() << P(R("{{@图表:站名}}")) << ""
            << "r.docx" << 1
            << "unknown column \"站名\" in tag {{@图表:站名}} in word/document.xml, paragraph 1";
        QTest::newRow("chart labelled by an unknown column")
            << "chartlabel.docx" << QByteArray() << P(R("{{@图表:有效值 按 站名}}")) << ""
            << "r.docx" << 1 << "unknown column \"站名\" in tag {{@图表:有效值 按 站名}}";
        QTest::newRow("chart in a table row")
            << "chartrow.docx" << QByteArray() << Table({Row({R("{{@图表:有效值}}")})}, 1) << ""
            << "r.docx" << 1 << "chart tag {{@图表:有效值}} in a table row in word/document.xml, paragraph 1";
        QTest::newRow("chart in a header")
            << "charthead.docx" << QByteArray() << ok << P(R("{{@图表:有效值}}")) << "r.docx" << 1
            << "chart tag {{@图表:有效值}} in word/header1.xml, paragraph 1: charts work only in the body";
        QTest::newRow("chart in a text box")
            << "chartbox.docx" << QByteArray()
            << P("<w:r><w:pict><v:shape "
                 "xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox><w:txbxContent>" +
                 P(R("{{@图表:有效值}}")) + "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>")
            << ""
            << "r.docx" << 1 << "chart tag {{@图表:有效值}} in a text box in word/document.xml, paragraph 2";
        QTest::newRow("chart with other text")
            << "chartshared.docx" << QByteArray() << P(R("图：") + R("{{@图表:有效值}}")) << ""
            << "r.docx" << 1 << "chart tag {{@图表:有效值}} shares its paragraph with other text";
        QTest::newRow("chart option unknown")
            << "chartword.docx" << QByteArray() << P(R("{{@图表:有效值 红色}}")) << ""
            << "r.docx" << 1 << "unknown word \"红色\" in chart tag {{@图表:有效值 红色}}";
        QTest::newRow("chart threshold not a number")
            << "chartnumber.docx" << QByteArray() << P(R("{{@图表:有效值 阈值 高}}")) << ""
            << "r.docx" << 1 << "bad threshold in chart tag {{@图表:有效值 阈值 高}}";
        QTest::newRow("chart size beyond a page")
            << "chartsize.docx" << QByteArray() << P(R("{{@图表:有效值 2000x100}}")) << ""
            << "r.docx" << 1 << "bad chart size \"2000x100\" in tag {{@图表:有效值 2000x100}}";
        QTest::newRow("chart option twice")
            << "charttwice.docx" << QByteArray() << P(R("{{@图表:有效值 阈值 1 阈值 2}}")) << ""
            << "r.docx" << 1 << "阈值 given twice in chart tag {{@图表:有效值 阈值 1 阈值 2}}";
        QTest::newRow("too many charts")
            << "charts.docx" << QByteArray() << P(R("{{@图表:有效值}}")).repeated(21) << ""
            << "r.docx" << 1
            << "the template has more than 20 chart tags ({{@图表:有效值}} in word/document.xml, paragraph "
               "21)";
        QTest::newRow(".doc output")
            << "ok.docx" << QByteArray() << ok << ""
            << "r.doc" << 2 << "a report from a template is a .docx document; --out names a .doc file";
    }

    void refusesBadTemplates() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, body);
        QFETCH(QString, header);
        QFETCH(QString, out);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString templatePath = Path(QStringLiteral("bad/") + name);
        QVERIFY(QDir().mkpath(Path(QStringLiteral("bad"))));
        if (!bytes.isEmpty()) {
            QFile file(templatePath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        } else {
            QList<QPair<QString, QByteArray>> parts = Package(body, header);
            if (name == QLatin1String("nodoc.docx")) {
                parts.removeIf(
                    [](const auto& part) { return part.first == QLatin1String("word/document.xml"); });
            } else if (name == QLatin1String("entities.docx")) {
                parts[3].second = Part("document", "<w:body>" + P(R("&lol2;")) + "</w:body>",
                                       "<!DOCTYPE w:document [<!ENTITY lol \"lol\"><!ENTITY lol2 "
                                       "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>");
            } else if (name == QLatin1String("bomb.docx")) {
                parts.append({"word/media/zeros.bin", QByteArray(16 << 20, '\0')});
            }
            QVERIFY(WriteZip(templatePath, parts));
        }
        const QString target = Path(QStringLiteral("bad/") + out);
        // A refused template may have begun taking a report number: its ZOLT.DB3 goes there too.
        const Result result = RunReport(
            {"--data", m_data, "--method", "us", "--out", target, "--template", templatePath}, Path("bad"));
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        if (exitCode == 1) {
            QCOMPARE(result.err.count(QLatin1Char('\n')), 1); // one short line
            QVERIFY2(result.err.size() < 400, qPrintable(result.err.left(400)));
        }
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(QDir(Path(QStringLiteral("bad"))).entryList(QDir::Files | QDir::Hidden).filter(".~").size(),
                 0);
    }

    // The window: a template chosen from the context menu shows in the title, is remembered, makes the
    // save dialog offer .docx only and is what the job writes; a broken one is refused with its reason;
    // "内置报告" goes back to the built-in report.
    void windowWritesTheChosenTemplate() {
        QSettings().remove(QLatin1String(App::TemplateChoice::kSettingsKey));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path())); // ZOLT.DB3 lives in the working directory
        const QString broken = Path(QStringLiteral("broken.docx"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("text") == 4);
        file.close();
        const QString chosen = kSource + QStringLiteral("/res/templates/builtin-tev.docx");
        const QString out = Path(QStringLiteral("window.docx"));
        ScriptedPrompts prompts;
        App::WindowSettings settings;
        {
            CZOLTDlg window(&prompts);
            window.UseSettings(&settings);
            QCOMPARE(window.windowTitle(), QStringLiteral("ZOLT V2.0"));
            prompts.openFiles << broken << chosen;
            window.findChild<QAction*>(QStringLiteral("actionTemplate"))->trigger();
            QCOMPARE(prompts.messages.size(), 1);
            QCOMPARE(prompts.messages[0].caption, QStringLiteral("错误"));
            QVERIFY2(prompts.messages[0].text.contains(QStringLiteral("not a .docx file")),
                     qPrintable(prompts.messages[0].text));
            QCOMPARE(window.windowTitle(), QStringLiteral("ZOLT V2.0"));
            window.findChild<QAction*>(QStringLiteral("actionTemplate"))->trigger();
            QCOMPARE(window.windowTitle(), QStringLiteral("ZOLT V2.0 - 报告模板：builtin-tev.docx"));

            window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(1);
            prompts.folders << m_data;
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("1010")), Qt::LeftButton);
            CRecordListModel* model = window.RecordModel();
            QCOMPARE(model->rowCount(), 6);
            for (int row : {1, 4}) {
                model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole);
            }
            prompts.saveFiles << out;
            prompts.baseInfoScripts << [](QWidget*) {
                CReportParam::GetInstance()->m_baseInfo.m_strInspector = QStringLiteral("赵工");
                return true;
            };
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("1009")), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QPushButton*>(QStringLiteral("1009"))->isEnabled(),
                                     60000);
            QCOMPARE(prompts.saveRequests.last().patterns, QStringList{QStringLiteral("*.docx")});
            QCOMPARE(prompts.saveRequests.last().defaultSuffix, QStringLiteral("docx"));
        }
        QVERIFY(!HasLeftoverTags(out));
        const QString text = BodyText(out);
        QVERIFY2(text.contains(QStringLiteral("TEV局部放电检测报告\n")) &&
                     text.contains(QStringLiteral("检测人员：赵工")) &&
                     text.contains(QStringLiteral("\n2|")) && !text.contains(QStringLiteral("\n3|")),
                 qPrintable(text));
        QCOMPARE(PictureCount(out), 6);
        {
            CZOLTDlg again(&prompts);
            again.UseSettings(&settings);
            QCOMPARE(again.windowTitle(), QStringLiteral("ZOLT V2.0 - 报告模板：builtin-tev.docx"));
            again.findChild<QAction*>(QStringLiteral("actionBuiltinReport"))->trigger();
            QCOMPARE(again.windowTitle(), QStringLiteral("ZOLT V2.0"));
        }
        CZOLTDlg builtin(&prompts);
        builtin.UseSettings(&settings);
        QVERIFY(!builtin.Templates()->IsTemplate());
        QDir::setCurrent(previous);
#ifdef Q_OS_WIN
        QSettings().clear();
#endif
    }
};

QTEST_MAIN(TestTemplate)
#include "tst_template.moc"
