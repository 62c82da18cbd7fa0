#include "docx/DocxWriter.h"

#include "docx/DocxDocumentPart.h"
#include "docx/DocxPackageParts.h"
#include "docx/ZipFileSink.h"
#include "docx/ZipFileSource.h"
#include "wordfile/PictureGate.h"
#include "wordfile/WriteFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <zip.h>

#include <ctime>
#include <deque>
#include <exception>
#include <future>
#include <memory>

namespace Word {

namespace {

// 1980-01-01 00:00:00 local time, the earliest time a zip entry can carry. libzip keeps entry times
// as time_t and writes them in local time; it is worked out once here because mktime() reads the
// time zone file anew at every call, which for thousands of entries costs more than the entries.
time_t EntryTime() {
    static const time_t time = [] {
        std::tm fields{};
        fields.tm_year = 80;
        fields.tm_mday = 1;
        fields.tm_isdst = -1;
        return std::mktime(&fields);
    }();
    return time;
}
// A plain readable file (0644), whatever the mode of the picture files read.
constexpr zip_uint32_t kFileMode = 0100644u << 16;

class Archive {
public:
    ~Archive() {
        if (m_zip != nullptr)
            zip_discard(m_zip);
    }

    bool Open(const QString& path, QString* error) {
        m_sink = std::make_unique<ZipFileSink>(path);
        zip_error_t zipError;
        zip_error_init(&zipError);
        if (zip_source_t* source = m_sink->CreateSource(&zipError)) {
            m_zip = zip_open_from_source(source, ZIP_CREATE | ZIP_EXCL, &zipError);
            if (m_zip == nullptr)
                zip_source_free(source);
        }
        if (m_zip == nullptr)
            *error = QStringLiteral("cannot create \"%1\": %2")
                         .arg(QDir::toNativeSeparators(path),
                              QString::fromLocal8Bit(zip_error_strerror(&zipError)));
        zip_error_fini(&zipError);
        return m_zip != nullptr;
    }

    // The archive reads the buffer when it is closed, so the bytes are kept until then.
    bool AddBytes(const QString& name, QByteArray bytes, QString* error) {
        m_buffers.push_back(std::move(bytes));
        const QByteArray& kept = m_buffers.back();
        zip_source_t* source = zip_source_buffer(m_zip, kept.constData(), zip_uint64_t(kept.size()), 0);
        return Add(name, source, ZIP_CM_DEFLATE, kTextLevel, error);
    }

    // The file is read only while the archive is closed, and must then still have `size` bytes
    // (or the size that a ZipFileSource::Preparation tells).
    template <typename Size>
    bool AddFile(const QString& name, const QString& path, Size size, zip_int32_t method, QString* error) {
        m_files.push_back(std::make_unique<ZipFileSource>(path, size));
        return Add(name, m_files.back()->CreateSource(m_zip), method, kTextLevel, error);
    }

    // The first `length` bytes of a file that must still have `size` bytes, stored as they are.
    bool AddFileStart(const QString& name, const QString& path, qint64 size, qint64 length, QString* error) {
        m_files.push_back(std::make_unique<ZipFileSource>(path, size, length));
        return Add(name, m_files.back()->CreateSource(m_zip), ZIP_CM_STORE, 0, error);
    }

    bool Close(QString* error) {
        if (zip_close(m_zip) != 0) {
            *error = LastError();
            // A file that went missing or changed says so itself, better than libzip can.
            for (const auto& file : m_files) {
                if (!file->Failure().isEmpty()) {
                    *error = file->Failure();
                    break;
                }
            }
            return false;
        }
        m_zip = nullptr;
        return true;
    }

private:
    QString LastError() const { return QString::fromLocal8Bit(zip_strerror(m_zip)); }

    bool Add(const QString& name, zip_source_t* source, zip_int32_t method, zip_uint32_t level,
             QString* error) {
        if (source == nullptr) {
            *error = LastError();
            return false;
        }
        const zip_int64_t index = zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            *error = LastError();
            return false;
        }
        if (zip_set_file_compression(m_zip, zip_uint64_t(index), method,
                                     method == ZIP_CM_STORE ? 0 : level) != 0 ||
            zip_file_set_mtime(m_zip, zip_uint64_t(index), EntryTime(), 0) != 0 ||
            zip_file_set_external_attributes(m_zip, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, kFileMode) != 0) {
            *error = LastError();
            return false;
        }
        return true;
    }

    // The document's text repeats itself so much that a low level packs it nearly as tightly as the
    // default, in half the time.
    static constexpr zip_uint32_t kTextLevel = 3;

    std::unique_ptr<ZipFileSink> m_sink; // outlives m_zip, which writes through it
    zip_t* m_zip = nullptr;
    std::deque<QByteArray> m_buffers;
    std::deque<std::unique_ptr<ZipFileSource>> m_files; // read by m_zip when it closes
};

// Relationship ids and media names follow the order in which the body shows the pictures.
struct MediaPlan {
    std::vector<int> shown;
    std::vector<QString> relationshipIds; // per picture of the document; empty for one not shown
    std::vector<DocxPackageParts::Media> media;
};

MediaPlan PlanMedia(const Document& document) {
    MediaPlan plan;
    plan.shown = PictureGate::ShownPictures(document);
    plan.relationshipIds.resize(document.pictures.size());
    for (std::size_t i = 0; i < plan.shown.size(); ++i) {
        const Picture& picture = document.pictures[plan.shown[i]];
        const QString extension =
            picture.encoding == Picture::Encoding::Jpeg ? QStringLiteral("jpeg") : QStringLiteral("png");
        plan.relationshipIds[plan.shown[i]] = QStringLiteral("rId%1").arg(i + 3);
        plan.media.push_back({plan.relationshipIds[plan.shown[i]],
                              QStringLiteral("media/image%1.%2").arg(i + 1).arg(extension)});
    }
    return plan;
}

bool AddSmallParts(Archive& archive, const MediaPlan& plan, QString* reason) {
    return archive.AddBytes(QStringLiteral("[Content_Types].xml"), DocxPackageParts::ContentTypes(),
                            reason) &&
           archive.AddBytes(QStringLiteral("_rels/.rels"), DocxPackageParts::PackageRelationships(),
                            reason) &&
           archive.AddBytes(QStringLiteral("word/styles.xml"), DocxPackageParts::Styles(), reason) &&
           archive.AddBytes(QStringLiteral("word/settings.xml"), DocxPackageParts::Settings(), reason) &&
           archive.AddBytes(QStringLiteral("word/_rels/document.xml.rels"),
                            DocxPackageParts::DocumentRelationships(plan.media), reason);
}

// PNG and JPEG are streamed from their files; pictures in other formats become PNG files in a
// private folder, one at a time, and are streamed from there. The archive reads them when it is
// closed, so `converted` must outlive it.
bool AddPictures(Archive& archive, const Document& document, const MediaPlan& plan,
                 std::unique_ptr<QTemporaryDir>& converted, QString* reason) {
    for (std::size_t i = 0; i < plan.shown.size(); ++i) {
        const Picture& picture = document.pictures[plan.shown[i]];
        const QString name = QStringLiteral("word/") + plan.media[i].target;
        if (picture.encoding != Picture::Encoding::ConvertToPng) {
            if (!archive.AddFileStart(name, picture.sourcePath, picture.fileSize, picture.EmbeddedBytes(),
                                      reason))
                return false;
            continue;
        }
        if (!converted) {
            converted = std::make_unique<QTemporaryDir>();
            if (!converted->isValid()) {
                *reason = QStringLiteral("no temporary folder for converting pictures (%1).")
                              .arg(converted->errorString());
                return false;
            }
        }
        QByteArray png;
        if (!PictureGate::ConvertToPng(picture, &png, reason))
            return false;
        QFile file(converted->filePath(QStringLiteral("image%1.png").arg(i + 1)));
        if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.flush()) {
            *reason = QStringLiteral("no room for a converted picture (%1).").arg(file.errorString());
            return false;
        }
        if (!archive.AddFile(name, file.fileName(), qint64(png.size()), ZIP_CM_STORE, reason))
            return false;
    }
    return true;
}

} // namespace

bool DocxWriter::WriteFile(const Document& document, const QString& path, QString* error) {
    QString reason;
    auto fail = [&](const QString& what) {
        *error = WriteFailure::Message(what);
        return false;
    };
    const MediaPlan plan = PlanMedia(document);

    // The document text grows with every record: it goes to a private file and is compressed into
    // the package from there, so that a long report's text is never held in memory whole. It is
    // written on a second thread while the pictures go into the package, and is the package's last
    // entry so that its turn comes after theirs.
    QTemporaryFile documentPart;
    if (!documentPart.open())
        return fail(
            QStringLiteral("no temporary file for the document text (%1).").arg(documentPart.errorString()));
    // Declared after everything the thread reads: leaving this function waits for the thread.
    std::future<bool> textWritten = std::async(std::launch::async | std::launch::deferred, [&] {
        return DocxDocumentPart::Write(document, plan.relationshipIds, &documentPart) && documentPart.flush();
    });
    const auto textReady = [&](qint64* size, QString* why) {
        bool written = false;
        try {
            written = textWritten.get();
        } catch (const std::exception& failure) {
            *why = QString::fromLocal8Bit(failure.what());
        }
        if (!written) {
            *why = QStringLiteral("the document text could not be written to a temporary file (%1).")
                       .arg(why->isEmpty() ? documentPart.errorString() : *why);
            return false;
        }
        *size = documentPart.size();
        return true;
    };

    std::unique_ptr<QTemporaryDir> converted;
    Archive archive;
    if (!archive.Open(path, &reason) || !AddSmallParts(archive, plan, &reason) ||
        !AddPictures(archive, document, plan, converted, &reason) ||
        !archive.AddFile(QStringLiteral("word/document.xml"), documentPart.fileName(), textReady,
                         ZIP_CM_DEFLATE, &reason) ||
        !archive.Close(&reason))
        return fail(reason);
    return true;
}

} // namespace Word
