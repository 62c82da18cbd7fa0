#include "template/ChartWorkbook.h"

#include "template/ChartSeries.h"
#include "template/MarkupOutput.h"
#include "template/TemplateError.h"
#include "wordfile/WriteFailure.h"

#include <QBuffer>
#include <QStringBuilder>
#include <QXmlStreamWriter>

#include <zip.h>

#include <charconv>
#include <functional>
#include <iterator>
#include <memory>

namespace Template {

namespace {

const QString kSheetName = QStringLiteral("Sheet1");
const QString kMain = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString kRelationshipsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kPackageRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kContentTypes = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");

QString Letter(ChartWorkbook::Column column) {
    return QString(QLatin1Char(char('A' + int(column))));
}

QByteArray ContentTypes() {
    return ChartWorkbook::Render([](MarkupOutput& out) {
        QXmlStreamWriter& xml = out.Xml();
        xml.writeDefaultNamespace(kContentTypes);
        xml.writeStartElement(kContentTypes, QStringLiteral("Types"));
        const auto add = [&](const char* element, const char* key, const char* value, const char* type) {
            xml.writeEmptyElement(kContentTypes, QLatin1String(element));
            xml.writeAttribute(QLatin1String(key), QLatin1String(value));
            xml.writeAttribute(QStringLiteral("ContentType"), QLatin1String(type));
        };
        add("Default", "Extension", "rels", "application/vnd.openxmlformats-package.relationships+xml");
        add("Default", "Extension", "xml", "application/xml");
        add("Override", "PartName", "/xl/workbook.xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
        add("Override", "PartName", "/xl/worksheets/sheet1.xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
        xml.writeEndElement();
    });
}

QByteArray Workbook() {
    return ChartWorkbook::Render([](MarkupOutput& out) {
        QXmlStreamWriter& xml = out.Xml();
        xml.writeDefaultNamespace(kMain);
        xml.writeNamespace(kRelationshipsNs, QStringLiteral("r"));
        xml.writeStartElement(kMain, QStringLiteral("workbook"));
        xml.writeStartElement(kMain, QStringLiteral("sheets"));
        xml.writeEmptyElement(kMain, QStringLiteral("sheet"));
        xml.writeAttribute(QStringLiteral("name"), kSheetName);
        xml.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
        xml.writeAttribute(kRelationshipsNs, QStringLiteral("id"), QStringLiteral("rId1"));
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

void TextCell(QXmlStreamWriter& xml, const QString& reference, const QString& text) {
    xml.writeStartElement(kMain, QStringLiteral("c"));
    xml.writeAttribute(QStringLiteral("r"), reference);
    xml.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
    xml.writeStartElement(kMain, QStringLiteral("is"));
    xml.writeTextElement(kMain, QStringLiteral("t"), text);
    xml.writeEndElement();
    xml.writeEndElement();
}

// The rows of the points, composed as text: a writer call costs about as much as copying a kilobyte,
// and a row takes fifteen. Labels are escaped; numbers and references need no escape.
QString PointRows(const ChartSeries& series, std::optional<double> threshold) {
    QString rows;
    rows.reserve(static_cast<qsizetype>(series.values.size()) * 120);
    const auto cell = [&](char column, long long row) {
        rows += u"<c r=\"";
        rows += QLatin1Char(column);
        ChartWorkbook::AppendNumber(rows, row);
    };
    for (std::size_t point = 0; point < series.values.size(); ++point) {
        const long long row = static_cast<long long>(point) + 2;
        rows += u"<row r=\"";
        ChartWorkbook::AppendNumber(rows, row);
        rows += u"\">";
        cell('A', row);
        rows += u"\" t=\"inlineStr\"><is><t>" % series.labels[static_cast<qsizetype>(point)].toHtmlEscaped() %
                u"</t></is></c>";
        if (const std::optional<double>& value = series.values[point]) {
            cell('B', row);
            rows += u"\"><v>";
            ChartWorkbook::AppendNumber(rows, *value);
            rows += u"</v></c>";
        }
        if (threshold) {
            cell('C', row);
            rows += u"\"><v>";
            ChartWorkbook::AppendNumber(rows, *threshold);
            rows += u"</v></c>";
        }
        rows += u"</row>";
    }
    return rows;
}

QByteArray Sheet(const ChartSeries& series, const QString& labelName, const QString& valueName,
                 std::optional<double> threshold) {
    return ChartWorkbook::Render([&](MarkupOutput& out) {
        QXmlStreamWriter& xml = out.Xml();
        xml.writeDefaultNamespace(kMain);
        xml.writeStartElement(kMain, QStringLiteral("worksheet"));
        xml.writeStartElement(kMain, QStringLiteral("sheetData"));
        xml.writeStartElement(kMain, QStringLiteral("row"));
        xml.writeAttribute(QStringLiteral("r"), QStringLiteral("1"));
        TextCell(xml, QStringLiteral("A1"), labelName);
        TextCell(xml, QStringLiteral("B1"), valueName);
        if (threshold) {
            TextCell(xml, QStringLiteral("C1"), QStringLiteral("阈值"));
        }
        xml.writeEndElement();
        out.AppendMarkup(PointRows(series, threshold).toUtf8());
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

[[noreturn]] void Fail(zip_error_t* error) {
    const QString reason = QString::fromLocal8Bit(zip_error_strerror(error));
    zip_error_fini(error);
    throw TemplateError(Word::WriteFailure::Message(QStringLiteral("chart workbook (%1)").arg(reason)),
                        TemplateError::Kind::Output);
}

// The package's bytes from its parts, zipped in memory.
QByteArray Zip(const std::vector<std::pair<const char*, QByteArray>>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceFree> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    zip_t* zip = buffer ? zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error) : nullptr;
    if (zip == nullptr) {
        Fail(&error);
    }
    zip_source_keep(buffer.get()); // the archive releases it when it closes; the bytes are read after
    const auto abandon = [&] {
        zip_error_set(&error, zip_error_code_zip(zip_get_error(zip)), 0);
        zip_discard(zip);
        Fail(&error);
    };
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = source != nullptr ? zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            abandon();
        }
        // The sheet repeats itself: the fastest level packs it nearly as tightly, in a third of the time.
        if (zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 1) != 0) {
            abandon();
        }
    }
    if (zip_close(zip) != 0) {
        abandon();
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    QByteArray bytes;
    if (zip_source_stat(buffer.get(), &stat) != 0 || zip_source_open(buffer.get()) != 0) {
        zip_error_set(&error, ZIP_ER_MEMORY, 0);
        Fail(&error);
    }
    bytes.resize(static_cast<qsizetype>(stat.size));
    const zip_int64_t read = zip_source_read(buffer.get(), bytes.data(), stat.size);
    zip_source_close(buffer.get());
    if (read != static_cast<zip_int64_t>(stat.size)) {
        zip_error_set(&error, ZIP_ER_READ, 0);
        Fail(&error);
    }
    zip_error_fini(&error);
    return bytes;
}

} // namespace

QByteArray ChartWorkbook::Render(const std::function<void(MarkupOutput&)>& write) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    MarkupOutput out(&buffer, QStringLiteral("a chart part"));
    out.Xml().writeStartDocument(QStringLiteral("1.0"), true);
    write(out);
    out.Xml().writeEndDocument();
    out.Check();
    return bytes;
}

QByteArray ChartWorkbook::OneRelationship(const QString& type, const QString& target) {
    return ChartWorkbook::Render([&](MarkupOutput& out) {
        QXmlStreamWriter& xml = out.Xml();
        xml.writeDefaultNamespace(kPackageRelationships);
        xml.writeStartElement(kPackageRelationships, QStringLiteral("Relationships"));
        xml.writeEmptyElement(kPackageRelationships, QStringLiteral("Relationship"));
        xml.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId1"));
        xml.writeAttribute(QStringLiteral("Type"), type);
        xml.writeAttribute(QStringLiteral("Target"), target);
        xml.writeEndElement();
    });
}

QString ChartWorkbook::NameCell(Column column) {
    return QStringLiteral("%1!$%2$1").arg(kSheetName, Letter(column));
}

QString ChartWorkbook::Range(Column column, int points) {
    // An empty range is no reference; with no point, the one row under the name stands for it.
    return QStringLiteral("%1!$%2$2:$%2$%3").arg(kSheetName, Letter(column)).arg(std::max(points, 1) + 1);
}

void ChartWorkbook::AppendNumber(QString& text, double value) {
    char digits[32];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), value);
    text.append(QLatin1String(digits, end.ptr));
}

void ChartWorkbook::AppendNumber(QString& text, long long value) {
    char digits[24];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), value);
    text.append(QLatin1String(digits, end.ptr));
}

QString ChartWorkbook::Number(double value) {
    QString text;
    AppendNumber(text, value);
    return text;
}

QByteArray ChartWorkbook::Build(const ChartSeries& series, const QString& labelName, const QString& valueName,
                                std::optional<double> threshold) {
    return Zip(
        {{"[Content_Types].xml", ContentTypes()},
         {"_rels/.rels",
          OneRelationship(
              QStringLiteral(
                  "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"),
              QStringLiteral("xl/workbook.xml"))},
         {"xl/workbook.xml", Workbook()},
         {"xl/_rels/workbook.xml.rels",
          OneRelationship(
              QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet"),
              QStringLiteral("worksheets/sheet1.xml"))},
         {"xl/worksheets/sheet1.xml", Sheet(series, labelName, valueName, threshold)}});
}

} // namespace Template
