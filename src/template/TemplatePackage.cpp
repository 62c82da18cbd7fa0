#include "template/TemplatePackage.h"

#include "template/TemplateError.h"

#include <QFile>

namespace Template {

namespace {

constexpr zip_uint64_t kRatioFloor = 1ull << 20; // small parts may pack tightly; that harms nobody

void CheckSignature(const QString& path) {
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
}

} // namespace

TemplatePackage::~TemplatePackage() {
    if (m_zip != nullptr) {
        zip_discard(m_zip);
    }
}

void TemplatePackage::Open(const QString& path) {
    CheckSignature(path);
    int code = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (m_zip == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw TemplateError(
            QStringLiteral("it is not a .docx file (not a readable ZIP archive: %1)").arg(reason));
    }
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    if (count < 0 || zip_uint64_t(count) > kMaxEntries) {
        throw TemplateError(
            QStringLiteral("the package has %1 entries, more than %2").arg(count).arg(kMaxEntries));
    }
    zip_uint64_t total = 0;
    for (zip_uint64_t index = 0; index < zip_uint64_t(count); ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_zip, index, 0, &stat) != 0 || stat.name == nullptr) {
            throw TemplateError(QStringLiteral("entry %1 of the package cannot be read").arg(index));
        }
        Entry entry;
        entry.name = QString::fromUtf8(stat.name);
        entry.index = index;
        entry.size = stat.size;
        entry.compressedSize = stat.comp_size;
        entry.method = static_cast<zip_int32_t>(stat.comp_method);
        CheckEntry(entry, stat.encryption_method, &total);
        m_entries.push_back(entry);
    }
    if (Find(QStringLiteral("word/document.xml")) == nullptr) {
        throw TemplateError(QStringLiteral("the package has no document part (word/document.xml)"));
    }
}

void TemplatePackage::CheckEntry(const Entry& entry, zip_uint16_t encryption, zip_uint64_t* total) const {
    if (encryption != ZIP_EM_NONE) {
        throw TemplateError(QStringLiteral("the package is encrypted (entry %1)").arg(entry.name));
    }
    if (entry.size > kMaxTotalBytes || (*total += entry.size) > kMaxTotalBytes) {
        throw TemplateError(QStringLiteral("the package unpacks to more than %1 MiB (entry %2); a ZIP bomb?")
                                .arg(kMaxTotalBytes >> 20)
                                .arg(entry.name));
    }
    if (entry.size > kRatioFloor && entry.size / (entry.compressedSize + 1) > kMaxRatio) {
        throw TemplateError(QStringLiteral("entry %1 expands %2 times when unpacked; a ZIP bomb?")
                                .arg(entry.name)
                                .arg(entry.size / (entry.compressedSize + 1)));
    }
}

const TemplatePackage::Entry* TemplatePackage::Find(const QString& name) const {
    for (const Entry& entry : m_entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

QByteArray TemplatePackage::Read(const Entry& entry) const {
    if (entry.size > kMaxPartBytes) {
        throw TemplateError(
            QStringLiteral("%1 is larger than %2 MiB").arg(entry.name).arg(kMaxPartBytes >> 20));
    }
    zip_file_t* file = zip_fopen_index(m_zip, entry.index, 0);
    if (file == nullptr) {
        throw TemplateError(QStringLiteral("%1 cannot be unpacked (%2)")
                                .arg(entry.name, QString::fromLocal8Bit(zip_strerror(m_zip))));
    }
    // One byte more than stated: a lying size shows up instead of being believed.
    QByteArray bytes(qsizetype(entry.size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    zip_int64_t got = 0;
    while (filled < bytes.size() &&
           (got = zip_fread(file, bytes.data() + filled, bytes.size() - filled)) > 0) {
        filled += got;
    }
    const QString reason = got < 0 ? QString::fromLocal8Bit(zip_file_strerror(file)) : QString();
    zip_fclose(file);
    if (got < 0 || filled != qsizetype(entry.size)) {
        throw TemplateError(QStringLiteral("%1 cannot be unpacked (%2)")
                                .arg(entry.name, reason.isEmpty() ? QStringLiteral("wrong size") : reason));
    }
    bytes.truncate(filled);
    return bytes;
}

} // namespace Template
