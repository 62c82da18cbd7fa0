#include "support/DocxPackage.h"

#include "platform/LibraryFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

DocxPackage::DocxPackage(const QString& path) : m_path(path) {
    int code = 0;
    m_zip = zip_open(Platform::LibraryFileName::Encode(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (m_zip == nullptr)
        m_error = QStringLiteral("cannot open %1 as a zip archive (libzip error %2)").arg(path).arg(code);
}

DocxPackage::~DocxPackage() {
    if (m_zip != nullptr)
        zip_discard(m_zip);
}

QStringList DocxPackage::EntryNames() const {
    QStringList names;
    if (m_zip == nullptr)
        return names;
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        names << QString::fromUtf8(zip_get_name(m_zip, zip_uint64_t(i), 0));
    return names;
}

bool DocxPackage::Contains(const QString& name) const {
    return m_zip != nullptr && zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0;
}

QByteArray DocxPackage::Read(const QString& name) {
    if (m_zip == nullptr)
        return {};
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(m_zip, name.toUtf8().constData(), 0, &stat) != 0) {
        m_error = QStringLiteral("no entry %1").arg(name);
        return {};
    }
    zip_file_t* file = zip_fopen(m_zip, name.toUtf8().constData(), 0);
    if (file == nullptr) {
        m_error =
            QStringLiteral("cannot open entry %1: %2").arg(name, QString::fromLocal8Bit(zip_strerror(m_zip)));
        return {};
    }
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    if (read != zip_int64_t(stat.size)) {
        m_error = QStringLiteral("short read of entry %1").arg(name);
        return {};
    }
    return bytes;
}

bool DocxPackage::ExtractTo(const QString& folder) {
    for (const QString& name : EntryNames()) {
        const QString path = QDir(folder).filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(Read(name)) < 0)
            return false;
    }
    return true;
}

namespace {

quint16 Le16(const QByteArray& b, qsizetype at) {
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}
quint32 Le32(const QByteArray& b, qsizetype at) {
    return quint32(Le16(b, at)) | (quint32(Le16(b, at + 2)) << 16);
}

bool HasZip64Field(const QByteArray& b, qsizetype extraStart, int extraLength) {
    for (qsizetype at = extraStart; at + 4 <= extraStart + extraLength;) {
        if (Le16(b, at) == 0x0001)
            return true;
        at += 4 + Le16(b, at + 2);
    }
    return false;
}

} // namespace

namespace {

struct CentralEntry {
    quint16 dosTime = 0;
    quint16 dosDate = 0;
    bool zip64 = false; // in the central or the local header
};

// Walks the central directory from the end-of-central-directory record, and each entry's local header.
bool ReadCentralDirectory(const QString& path, std::vector<CentralEntry>* entries, bool* zip64End) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray b = file.readAll();
    qsizetype end = b.size() - 22;
    while (end >= 0 && Le32(b, end) != 0x06054b50)
        --end;
    if (end < 0)
        return false;
    *zip64End = end >= 20 && Le32(b, end - 20) == 0x07064b50;
    const int count = Le16(b, end + 10);
    qsizetype at = Le32(b, end + 16);
    for (int i = 0; i < count; ++i) {
        if (at + 46 > b.size() || Le32(b, at) != 0x02014b50)
            return false;
        CentralEntry entry;
        entry.dosTime = Le16(b, at + 12);
        entry.dosDate = Le16(b, at + 14);
        const int nameLength = Le16(b, at + 28);
        const int extraLength = Le16(b, at + 30);
        entry.zip64 = HasZip64Field(b, at + 46 + nameLength, extraLength);
        const qsizetype local = Le32(b, at + 42);
        if (local + 30 <= b.size() && Le32(b, local) == 0x04034b50)
            entry.zip64 =
                entry.zip64 || HasZip64Field(b, local + 30 + Le16(b, local + 26), Le16(b, local + 28));
        entries->push_back(entry);
        at += 46 + nameLength + extraLength + Le16(b, at + 32);
    }
    return true;
}

} // namespace

bool DocxPackage::UsesZip64() const {
    std::vector<CentralEntry> entries;
    bool zip64End = false;
    if (!ReadCentralDirectory(m_path, &entries, &zip64End))
        return false;
    for (const CentralEntry& entry : entries)
        zip64End = zip64End || entry.zip64;
    return zip64End;
}

std::vector<std::pair<quint16, quint16>> DocxPackage::EntryDosTimes() const {
    std::vector<CentralEntry> entries;
    bool zip64End = false;
    std::vector<std::pair<quint16, quint16>> times;
    if (ReadCentralDirectory(m_path, &entries, &zip64End))
        for (const CentralEntry& entry : entries)
            times.emplace_back(entry.dosTime, entry.dosDate);
    return times;
}
