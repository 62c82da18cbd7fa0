#include "template/PackageWriter.h"

#include "docx/ZipFileSink.h"
#include "docx/ZipFileSource.h"
#include "template/TemplateError.h"
#include "template/TemplatePackage.h"
#include "wordfile/WriteFailure.h"

#include <QDir>

namespace Template {

namespace {

// The document text repeats itself; a low level packs it nearly as tightly in half the time.
constexpr zip_uint32_t kTextLevel = 3;

} // namespace

PackageWriter::PackageWriter() = default;

PackageWriter::~PackageWriter() {
    if (m_zip != nullptr) {
        zip_discard(m_zip);
    }
}

void PackageWriter::Open(const QString& path) {
    m_sink = std::make_unique<Word::ZipFileSink>(path);
    zip_error_t error;
    zip_error_init(&error);
    if (zip_source_t* source = m_sink->CreateSource(&error)) {
        m_zip = zip_open_from_source(source, ZIP_CREATE | ZIP_EXCL, &error);
        if (m_zip == nullptr) {
            zip_source_free(source);
        }
    }
    const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    if (m_zip == nullptr) {
        throw TemplateError(
            QStringLiteral("cannot create \"%1\": %2").arg(QDir::toNativeSeparators(path), reason),
            TemplateError::Kind::Output);
    }
}

void PackageWriter::CopyRaw(const TemplatePackage& package, zip_uint64_t index, const QString& name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(package.Archive(), index, 0, &stat) != 0) {
        Fail();
    }
    zip_source_t* source = zip_source_zip(m_zip, package.Archive(), index, ZIP_FL_COMPRESSED, 0, -1);
    // Keeping the entry's own method tells libzip the bytes need no recompression.
    Add(name, source, static_cast<zip_int32_t>(stat.comp_method));
}

void PackageWriter::AddBytes(const QString& name, QByteArray bytes) {
    m_buffers.push_back(std::move(bytes));
    const QByteArray& kept = m_buffers.back();
    Add(name, zip_source_buffer(m_zip, kept.constData(), zip_uint64_t(kept.size()), 0), ZIP_CM_DEFLATE);
}

void PackageWriter::AddFile(const QString& name, const QString& path, qint64 size, bool compress,
                            qint64 length) {
    m_files.push_back(length < 0 ? std::make_unique<Word::ZipFileSource>(path, size)
                                 : std::make_unique<Word::ZipFileSource>(path, size, length));
    Add(name, m_files.back()->CreateSource(m_zip), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE);
}

void PackageWriter::Close() {
    if (zip_close(m_zip) != 0) {
        // A picture that went missing or changed says so itself, better than libzip can.
        for (const auto& file : m_files) {
            if (!file->Failure().isEmpty()) {
                throw TemplateError(file->Failure(), TemplateError::Kind::Output);
            }
        }
        Fail();
    }
    m_zip = nullptr;
}

void PackageWriter::Add(const QString& name, zip_source_t* source, zip_int32_t method) {
    if (source == nullptr) {
        Fail();
    }
    const zip_int64_t index = zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        Fail();
    }
    const zip_uint32_t level = method == ZIP_CM_DEFLATE ? kTextLevel : 0;
    if (zip_set_file_compression(m_zip, zip_uint64_t(index), method, level) != 0) {
        Fail();
    }
}

void PackageWriter::Fail() const {
    throw TemplateError(Word::WriteFailure::Message(QString::fromLocal8Bit(zip_strerror(m_zip))),
                        TemplateError::Kind::Output);
}

} // namespace Template
