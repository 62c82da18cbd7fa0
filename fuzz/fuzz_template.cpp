// Template files of any kind through the template reader (the package, then every XML part): each is
// either filled or refused with one short line, and a filled report is a sane package again.
//
// Input: the template file's bytes (a ZIP package, or anything else).

#include "FuzzWorkspace.h"
#include "report/CReport.h"
#include "template/PartName.h"
#include "template/TemplateReport.h"

#include <QFile>

#include <zip.h>

#include <cstddef>
#include <cstdint>

namespace {

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
    {
        QFile file(templatePath);
        FuzzWorkspace::Require(file.open(QIODevice::WriteOnly) &&
                                   file.write(reinterpret_cast<const char*>(data), qint64(size)) ==
                                       qint64(size),
                               "writing the template");
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
