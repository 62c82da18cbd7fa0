#include "template/TemplatePackage.h"

#include "template/IndexParts.h"
#include "template/MarkupScan.h"
#include "template/PartName.h"
#include "template/TemplateError.h"
#include "template/TemplateLimits.h"
#include "template/XmlNode.h"

#include "platform/LibraryFileName.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Template {

namespace {

const QString kContentTypes = QStringLiteral("[Content_Types].xml");
constexpr zip_uint32_t kFileType = 0170000; // of a Unix mode
constexpr zip_uint32_t kRegularFile = 0100000;
constexpr zip_uint32_t kFolder = 0040000;
constexpr qsizetype kChunk = 64 * 1024;

// Returns the file's size.
zip_uint64_t CheckSignature(const QString& path) {
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) { // a pipe would never end
        throw TemplateError(QStringLiteral("it is not a file"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw TemplateError(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    }
    const QByteArray head = file.read(8);
    if (head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"))) {
        throw TemplateError(QStringLiteral(
            "it is an encrypted (password-protected) document or a Word 97-2003 file, not a .docx package"));
    }
    if (!head.startsWith("PK")) {
        throw TemplateError(QStringLiteral("it is not a .docx file (not a ZIP archive)"));
    }
    return zip_uint64_t(file.size());
}

QString Named(const QString& name) {
    return TemplateError::Quote(name);
}

bool IsXmlName(const QString& name, const QSet<QString>& xmlExtensions, const QSet<QString>& xmlParts) {
    const QString folded = name.toCaseFolded();
    const qsizetype dot = folded.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > folded.lastIndexOf(QLatin1Char('/')) ? folded.mid(dot + 1) : QString();
    return extension == QLatin1String("xml") || extension == QLatin1String("rels") ||
           xmlExtensions.contains(extension) || xmlParts.contains(QLatin1Char('/') + folded);
}

} // namespace

TemplatePackage::~TemplatePackage() {
    if (m_zip != nullptr) {
        zip_discard(m_zip);
    }
}

void TemplatePackage::Open(const QString& path) {
    const zip_uint64_t fileSize = CheckSignature(path);
    int code = 0;
    m_zip = zip_open(Platform::LibraryFileName::Encode(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (m_zip == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw TemplateError(
            QStringLiteral("it is not a .docx file (not a readable ZIP archive: %1)").arg(reason));
    }
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    if (count < 0 || zip_uint64_t(count) > Limits::kEntries) {
        throw TemplateError(
            QStringLiteral("the package has %1 entries, more than %2").arg(count).arg(Limits::kEntries));
    }
    zip_uint64_t total = 0;
    for (zip_uint64_t index = 0; index < zip_uint64_t(count); ++index) {
        m_entries.push_back(Stat(index, fileSize));
        CheckSizes(m_entries.back(), &total);
    }
    CheckNames();
    if (Find(QStringLiteral("word/document.xml")) == nullptr) {
        throw TemplateError(QStringLiteral("the package has no document part (word/document.xml)"));
    }
    const Entry* contentTypes = Find(kContentTypes);
    if (contentTypes == nullptr) {
        throw TemplateError(QStringLiteral("the package has no [Content_Types].xml"));
    }
    // Which parts are XML: by name, and by what the content types say.
    QSet<QString> xmlExtensions;
    QSet<QString> xmlParts;
    IndexParts::XmlPartsOf(Read(*contentTypes), &xmlExtensions, &xmlParts);
    zip_uint64_t xmlTotal = 0;
    for (const Entry& entry : m_entries) {
        // Each size is at most kTotalBytes: the sum cannot wrap.
        xmlTotal += IsXmlName(entry.name, xmlExtensions, xmlParts) ? entry.size : 0;
    }
    if (xmlTotal > Limits::kXmlBytes) {
        throw TemplateError(QStringLiteral("the package's XML parts unpack to more than %1 MiB")
                                .arg(Limits::kXmlBytes >> 20));
    }
    for (const Entry& entry : m_entries) {
        if (!entry.folder && &entry != contentTypes) {
            Verify(entry, xmlExtensions, xmlParts);
        }
    }
}

TemplatePackage::Entry TemplatePackage::Stat(zip_uint64_t index, zip_uint64_t fileSize) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    constexpr zip_uint64_t kNeeded = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE |
                                     ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_stat_index(m_zip, index, 0, &stat) != 0 || (stat.valid & kNeeded) != kNeeded ||
        stat.name == nullptr ||
        zip_file_get_external_attributes(m_zip, index, 0, &system, &attributes) != 0) {
        throw TemplateError(QStringLiteral("entry %1 of the package cannot be read").arg(index));
    }
    Entry entry;
    entry.name = QString::fromUtf8(stat.name);
    entry.index = index;
    entry.size = stat.size;
    entry.compressedSize = stat.comp_size;
    entry.method = static_cast<zip_int32_t>(stat.comp_method);
    entry.folder = entry.name.endsWith(QLatin1Char('/'));
    if (const QString problem = PartName::Problem(entry.name); !problem.isEmpty()) {
        throw TemplateError(
            QStringLiteral("the entry name \"%1\" is not a part name (%2)").arg(Named(entry.name), problem));
    }
    if (stat.encryption_method != ZIP_EM_NONE) {
        throw TemplateError(QStringLiteral("the package is encrypted (entry %1)").arg(Named(entry.name)));
    }
    if (entry.method != ZIP_CM_STORE && entry.method != ZIP_CM_DEFLATE) {
        throw TemplateError(QStringLiteral("entry %1 is compressed with method %2, not stored or deflated")
                                .arg(Named(entry.name))
                                .arg(entry.method));
    }
    const zip_uint32_t type = system == ZIP_OPSYS_UNIX ? (attributes >> 16) & kFileType : 0;
    if ((type != 0 && type != kRegularFile && !(entry.folder && type == kFolder)) ||
        (entry.folder && entry.size != 0)) {
        throw TemplateError(QStringLiteral("entry %1 is a symbolic link or another special file, not a part")
                                .arg(Named(entry.name)));
    }
    if (entry.compressedSize > fileSize ||
        (entry.method == ZIP_CM_STORE && entry.compressedSize != entry.size)) {
        throw TemplateError(
            QStringLiteral("entry %1 states sizes the file cannot hold").arg(Named(entry.name)));
    }
    return entry;
}

// Every size was checked against the file and the limits before any arithmetic: nothing can wrap.
void TemplatePackage::CheckSizes(const Entry& entry, zip_uint64_t* total) const {
    if (entry.size > Limits::kTotalBytes - *total) {
        throw TemplateError(QStringLiteral("the package unpacks to more than %1 MiB (entry %2); a ZIP bomb?")
                                .arg(Limits::kTotalBytes >> 20)
                                .arg(Named(entry.name)));
    }
    *total += entry.size;
    const zip_uint64_t ratio = entry.size / std::max<zip_uint64_t>(entry.compressedSize, 1);
    if (entry.size > Limits::kRatioFloor && ratio > Limits::kRatio) {
        throw TemplateError(QStringLiteral("entry %1 expands %2 times when unpacked; a ZIP bomb?")
                                .arg(Named(entry.name))
                                .arg(ratio));
    }
}

// Unpacking must give one file per part: no two names may differ in case only, and no part may
// stand where another part's folder is.
void TemplatePackage::CheckNames() const {
    std::vector<QString> folded;
    folded.reserve(m_entries.size());
    for (const Entry& entry : m_entries) {
        folded.push_back(entry.name.toCaseFolded());
        if (entry.folder) {
            folded.back().chop(1);
        }
    }
    std::vector<QString> sorted = folded;
    std::sort(sorted.begin(), sorted.end());
    if (const auto twice = std::adjacent_find(sorted.begin(), sorted.end()); twice != sorted.end()) {
        throw TemplateError(
            QStringLiteral("two entries are named \"%1\" when case is ignored").arg(Named(*twice)));
    }
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const QString folder = folded[i] + QLatin1Char('/');
        const auto next = std::lower_bound(sorted.begin(), sorted.end(), folder);
        if (!m_entries[i].folder && next != sorted.end() && next->startsWith(folder)) {
            throw TemplateError(QStringLiteral("entry %1 is both a part and a folder of other parts")
                                    .arg(Named(m_entries[i].name)));
        }
    }
}

void TemplatePackage::Verify(const Entry& entry, const QSet<QString>& xmlExtensions,
                             const QSet<QString>& xmlParts) const {
    if (IsXmlName(entry.name, xmlExtensions, xmlParts)) {
        XmlNode::CheckWhole(Read(entry), Named(entry.name));
    } else {
        Unpack(entry, nullptr);
    }
}

const TemplatePackage::Entry* TemplatePackage::Find(const QString& name) const {
    for (const Entry& entry : m_entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

QByteArray TemplatePackage::Read(const Entry& entry) const {
    if (entry.size > Limits::kPartBytes) {
        throw TemplateError(
            QStringLiteral("%1 is larger than %2 MiB").arg(Named(entry.name)).arg(Limits::kPartBytes >> 20));
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(entry.size));
    Unpack(entry, &bytes);
    MarkupScan::Check(bytes, Named(entry.name));
    return bytes;
}

// Reads at most one byte more than stated: a lying size shows up instead of being believed. libzip
// checks the CRC once the whole entry has been read, for stored entries too.
void TemplatePackage::Unpack(const Entry& entry, QByteArray* keep) const {
    zip_file_t* file = zip_fopen_index(m_zip, entry.index, 0);
    if (file == nullptr) {
        throw TemplateError(QStringLiteral("%1 cannot be unpacked (%2)")
                                .arg(Named(entry.name), QString::fromLocal8Bit(zip_strerror(m_zip))));
    }
    QByteArray chunk(kChunk, Qt::Uninitialized);
    zip_uint64_t filled = 0;
    zip_int64_t got = 0;
    while (filled <= entry.size) {
        const zip_uint64_t wanted = std::min<zip_uint64_t>(kChunk, entry.size - filled + 1);
        if ((got = zip_fread(file, chunk.data(), wanted)) <= 0) {
            break;
        }
        filled += zip_uint64_t(got);
        if (keep != nullptr) {
            keep->append(chunk.constData(), qsizetype(got));
        }
    }
    const QString reason = got < 0 ? QString::fromLocal8Bit(zip_file_strerror(file)) : QString();
    zip_fclose(file);
    if (got < 0 || filled != entry.size) {
        throw TemplateError(QStringLiteral("%1 cannot be unpacked (%2)")
                                .arg(Named(entry.name),
                                     reason.isEmpty() ? QStringLiteral("not the size it states") : reason));
    }
}

} // namespace Template
