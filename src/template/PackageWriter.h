#pragma once

#include <QByteArray>
#include <QString>

#include <zip.h>

#include <deque>
#include <memory>

namespace Word {
class ZipFileSink;
class ZipFileSource;
} // namespace Word

namespace Template {

class TemplatePackage;

// The filled report's package: template entries copied as they are stored (no recompression), new
// or changed parts from memory or from files that libzip reads only while the archive closes, so
// that pictures stream from their files. Failures throw TemplateError of kind Output.
class PackageWriter {
public:
    PackageWriter();
    ~PackageWriter();
    PackageWriter(const PackageWriter&) = delete;
    PackageWriter& operator=(const PackageWriter&) = delete;

    // `path` must not exist yet.
    void Open(const QString& path);
    // The template's entry, its compressed bytes unchanged; the package must stay open until Close.
    void CopyRaw(const TemplatePackage& package, zip_uint64_t index, const QString& name);
    void AddBytes(const QString& name, QByteArray bytes);
    // The file must still have `size` bytes when the archive closes; its first `length` bytes are
    // stored (all of them when `length` is negative).
    void AddFile(const QString& name, const QString& path, qint64 size, bool compress, qint64 length = -1);
    void Close();

private:
    void Add(const QString& name, zip_source_t* source, zip_int32_t method);
    [[noreturn]] void Fail() const;

    std::unique_ptr<Word::ZipFileSink> m_sink; // outlives m_zip, which writes through it
    zip_t* m_zip = nullptr;
    std::deque<QByteArray> m_buffers;
    std::deque<std::unique_ptr<Word::ZipFileSource>> m_files; // read while m_zip closes
};

} // namespace Template
