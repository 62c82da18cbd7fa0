#pragma once

#include <QByteArray>
#include <QString>

#include <zip.h>

#include <vector>

namespace Template {

// The template's .docx package, opened read-only with libzip. Opening checks what could hurt
// before anything is read: not a ZIP (an encrypted Word document is an OLE file), encrypted entries,
// too many entries, entries whose sizes or compression ratios no document has (ZIP bombs).
// Every failure throws TemplateError.
class TemplatePackage {
public:
    struct Entry {
        QString name;
        zip_uint64_t index = 0;
        zip_uint64_t size = 0;
        zip_uint64_t compressedSize = 0;
        zip_int32_t method = ZIP_CM_STORE;
    };

    static constexpr zip_uint64_t kMaxEntries = 10'000;
    static constexpr zip_uint64_t kMaxPartBytes = 64ull << 20;    // one XML part read into memory
    static constexpr zip_uint64_t kMaxTotalBytes = 1024ull << 20; // all entries, uncompressed
    static constexpr zip_uint64_t kMaxRatio = 100;                // uncompressed / compressed, above 1 MiB

    TemplatePackage() = default;
    ~TemplatePackage();
    TemplatePackage(const TemplatePackage&) = delete;
    TemplatePackage& operator=(const TemplatePackage&) = delete;

    void Open(const QString& path);

    zip_t* Archive() const { return m_zip; }
    const std::vector<Entry>& Entries() const { return m_entries; }
    const Entry* Find(const QString& name) const;
    // The uncompressed bytes of an entry, never more than its stated size.
    QByteArray Read(const Entry& entry) const;

private:
    void CheckEntry(const Entry& entry, zip_uint16_t encryption, zip_uint64_t* total) const;

    zip_t* m_zip = nullptr;
    std::vector<Entry> m_entries;
};

} // namespace Template
