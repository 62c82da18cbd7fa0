#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <zip.h>

#include <vector>

namespace Template {

// The template's .docx package, opened read-only with libzip. A package is sane or refused: opening
// checks every entry before the report uses any, in one pass over the file. Refused are: not a ZIP
// (an encrypted Word document is an OLE file), encrypted entries, methods other than stored and
// deflated, more entries or bytes than Limits allows, sizes the file cannot hold or ratios no
// document has (ZIP bombs), names that are not valid part names or equal when case is ignored,
// symbolic links and other special entries, entries whose bytes do not match their stated size or
// CRC, and XML parts that are not well-formed or have a document type declaration. Every failure
// throws TemplateError.
class TemplatePackage {
public:
    struct Entry {
        QString name;
        zip_uint64_t index = 0;
        zip_uint64_t size = 0;
        zip_uint64_t compressedSize = 0;
        zip_int32_t method = ZIP_CM_STORE;
        bool folder = false; // a folder entry: no part, not copied
    };

    TemplatePackage() = default;
    ~TemplatePackage();
    TemplatePackage(const TemplatePackage&) = delete;
    TemplatePackage& operator=(const TemplatePackage&) = delete;

    void Open(const QString& path);

    zip_t* Archive() const { return m_zip; }
    const std::vector<Entry>& Entries() const { return m_entries; }
    // Part names are equal when they differ in case only, and no two entries' names are.
    const Entry* Find(const QString& name) const;
    // The uncompressed bytes of an XML part (at most Limits::kPartBytes), checked against its stated
    // size and CRC and by MarkupScan.
    QByteArray Read(const Entry& entry) const;

private:
    Entry Stat(zip_uint64_t index, zip_uint64_t fileSize) const;
    void CheckSizes(const Entry& entry, zip_uint64_t* total) const;
    void CheckNames() const;
    // Reads the entry through once; `keep` receives its bytes when not null.
    void Unpack(const Entry& entry, QByteArray* keep) const;
    void Verify(const Entry& entry, const QSet<QString>& xmlExtensions, const QSet<QString>& xmlParts) const;

    zip_t* m_zip = nullptr;
    std::vector<Entry> m_entries;
};

} // namespace Template
