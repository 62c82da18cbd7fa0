#include "template/ReportAssembler.h"

#include "template/PackageWriter.h"
#include "template/TemplateParts.h"

#include <QTemporaryFile>

#include <set>

namespace Template {

void ReportAssembler::Write(const QString& path, const TemplateParts& parts, const QTemporaryFile& body,
                            const std::map<QString, QByteArray>& replaced,
                            const std::vector<PicturePlacer::Media>& media) {
    PackageWriter writer;
    writer.Open(path);
    std::set<QString> written;
    for (const TemplatePackage::Entry& entry : parts.Package().Entries()) {
        if (entry.folder) {
            continue; // no part; unpacking makes the folders
        } else if (&entry == &parts.Document()) {
            writer.AddFile(entry.name, body.fileName(), body.size(), true);
        } else if (const auto part = replaced.find(entry.name); part != replaced.end()) {
            writer.AddBytes(entry.name, part->second);
            written.insert(entry.name);
        } else {
            writer.CopyRaw(parts.Package(), entry.index, entry.name);
        }
    }
    for (const auto& [name, bytes] : replaced) {
        if (written.count(name) == 0) {
            writer.AddBytes(name, bytes);
        }
    }
    for (const PicturePlacer::Media& picture : media) {
        writer.AddFile(QStringLiteral("word/") + picture.target, picture.file, picture.size, false,
                       picture.length);
    }
    writer.Close();
}

} // namespace Template
