// Template files of any kind through the template reader (the package, then every XML part): each is
// either filled or refused with one short line, and a filled report is a sane package again.
//
// Input: a template file's bytes ("PK..." or anything else), or, so that mutations reach the XML
// readers past the CRCs, XML parts separated by lines "--", packed here in this order as
// [Content_Types].xml, word/document.xml, word/_rels/document.xml.rels, word/header1.xml and
// word/styles.xml (as many as there are).

#include "FuzzWorkspace.h"
#include "report/CReport.h"
#include "template/PartName.h"
#include "template/TemplateReport.h"

#include <QFile>

#include <zip.h>

#include <cstddef>
#include <cstdint>

namespace {

// The parts of a "--"-separated input as a package; false when libzip cannot write it.
bool WriteParts(const QByteArray& input, const QString& path) {
    static const char* const kNames[] = {"[Content_Types].xml", "word/document.xml",
                                         "word/_rels/document.xml.rels", "word/header1.xml",
                                         "word/styles.xml"};
    int code = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (zip == nullptr) {
        return false;
    }
    qsizetype from = 0;
    for (const char* name : kNames) {
        if (from > input.size()) {
            break;
        }
        const qsizetype separator = input.indexOf("\n--\n", from);
        const qsizetype end = separator < 0 ? input.size() : separator;
        zip_source_t* source = zip_source_buffer(zip, input.constData() + from, zip_uint64_t(end - from), 0);
        if (zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return false;
        }
        from = separator < 0 ? input.size() + 1 : separator + 4;
    }
    return zip_close(zip) == 0;
}

// One line, short, nothing a terminal would act on.
bool IsShortLine(const QString& message) {
    for (const QChar c : message) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f) ||
            (c.unicode() >= 0x202a && c.unicode() <= 0x202e) ||
            (c.unicode() >= 0x2066 && c.unicode() <= 0x2069)) {
            return false;
        }
    }
    return message.size() < 400;
}

// Every entry has a valid part name and reads back whole with its CRC.
QString PackageProblem(const QString& path) {
    int code = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (zip == nullptr) {
        return QStringLiteral("cannot be opened (%1)").arg(code);
    }
    QString problem;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t index = 0; index < count && problem.isEmpty(); ++index) {
        const QString name = QString::fromUtf8(zip_get_name(zip, zip_uint64_t(index), 0));
        problem = Template::PartName::Problem(name);
        zip_file_t* file = zip_fopen_index(zip, zip_uint64_t(index), 0);
        char buffer[4096];
        zip_int64_t got = file == nullptr ? -1 : 0;
        while (file != nullptr && (got = zip_fread(file, buffer, sizeof buffer)) > 0) {
        }
        if (file == nullptr || got < 0 || zip_fclose(file) != 0) {
            problem = name + QStringLiteral(" does not read back");
        }
    }
    zip_discard(zip);
    return problem;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1024 * 1024)
        return 0;
    FuzzWorkspace::EnsureApplication();
    const QString templatePath = FuzzWorkspace::Folder() + QStringLiteral("/template.docx");
    const QString out = FuzzWorkspace::Folder() + QStringLiteral("/report.docx");
    QFile::remove(out);
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.startsWith("PK") || !input.contains("\n--\n")) {
        QFile file(templatePath);
        FuzzWorkspace::Require(file.open(QIODevice::WriteOnly) && file.write(input) == input.size(),
                               "writing the template");
    } else if (!WriteParts(input, templatePath)) {
        return 0;
    }
    const QString checked = Template::TemplateReport::Check(templatePath);
    FuzzWorkspace::Require(IsShortLine(checked), "the check's message", checked.left(400));

    // Two records without pictures; any column name is taken.
    Template::ReportData reportData;
    reportData.checkColumns = false;
    reportData.baseInfo.m_strInspector = QStringLiteral("张工");
    for (int record = 0; record < 2; ++record) {
        reportData.records.m_arrValue << QStringLiteral("12.5dB");
        reportData.records.m_arrPicture1 << QString();
        reportData.records.m_arrPicture2 << QString();
        reportData.records.m_arrPicture3 << QString();
        reportData.cells.push_back({QStringLiteral("a"), QStringLiteral("b")});
    }
    CReport report(nullptr);
    const bool written = Template::TemplateReport::Write(templatePath, out, reportData, report);
    FuzzWorkspace::Require(IsShortLine(report.GetFailure()), "the report's message",
                           report.GetFailure().left(400));
    // The check does part of what writing does: what it refuses cannot be written.
    FuzzWorkspace::Require(!written || checked.isEmpty(), "written although the check refused", checked);
    if (written) {
        const QString problem = PackageProblem(out);
        FuzzWorkspace::Require(problem.isEmpty(), "the report's package", problem);
    }
    return 0;
}
