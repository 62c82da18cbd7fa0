#include "wordfile/PictureGate.h"

#include "wordfile/PictureFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace Word {

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray kJpegSignature("\xFF\xD8\xFF", 3);
// Pictures up to this size (the instrument's plots are 5-50 KiB) are read whole when admitted;
// of a larger one only the blocks that the walk over its structure needs.
constexpr qint64 kBlockSize = 64 * 1024;
constexpr qint64 kMaxDocBlipSize = 0x7FFF0000;

quint32 BigEndian32(const QByteArray& bytes, int at) {
    return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16) |
           (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
}

quint32 LittleEndian32(const QByteArray& bytes, int at) {
    return quint32(quint8(bytes[at])) | (quint32(quint8(bytes[at + 1])) << 8) |
           (quint32(quint8(bytes[at + 2])) << 16) | (quint32(quint8(bytes[at + 3])) << 24);
}

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A BMP holds its file size, and an uncompressed one the size of its pixel rows.
bool BitmapComplete(const QByteArray& head, qint64 size) {
    const quint32 declared = LittleEndian32(head, 2);
    if (declared != 0 && declared > size)
        return false;
    const quint32 pixelsAt = LittleEndian32(head, 10);
    if (LittleEndian32(head, 14) < 16)
        return true; // an old core header; Qt checks the rest
    const qint64 width = qint32(LittleEndian32(head, 18));
    const qint64 height = std::abs(qint64(qint32(LittleEndian32(head, 22)))); // negative: top-down
    const int bitsPerPixel = quint8(head[28]) | (quint8(head[29]) << 8);
    const quint32 compression = head.size() >= 34 ? LittleEndian32(head, 30) : 0;
    if (compression != 0 || width <= 0)
        return true;
    const qint64 stride = ((width * bitsPerPixel + 31) / 32) * 4;
    // Divided, not multiplied: the sizes in a damaged header would overflow the product.
    const qint64 available = size - qint64(pixelsAt);
    return available >= 0 && (height == 0 || stride <= available / height);
}

// The bytes of a picture file: its first block read at once, any other block read where asked and
// kept, so that a walk forward through a larger file reads each block once.
class FileBytes {
public:
    explicit FileBytes(PictureFile& file) : m_file(file) {}

    bool ReadHead() {
        m_head.resize(std::min(m_file.Size(), kBlockSize));
        const qint64 read = m_file.ReadAt(0, m_head.data(), m_head.size());
        if (read < 0)
            return false;
        m_head.truncate(read);
        return true;
    }
    const QByteArray& Head() const { return m_head; }
    qint64 Size() const { return m_file.Size(); }

    // The `count` (at most one block) bytes at `offset`, valid until the next call; null when the
    // file has fewer. Walking a picture's structure reads a few bytes at a time, so nothing is copied.
    const char* Span(qint64 offset, qint64 count) {
        if (offset < 0 || count > kBlockSize || offset + count > Size())
            return nullptr;
        if (offset + count <= m_head.size())
            return m_head.constData() + offset;
        if (offset < m_blockAt || offset + count > m_blockAt + m_block.size()) {
            m_block.resize(std::min(kBlockSize, Size() - offset));
            m_block.truncate(std::max<qint64>(0, m_file.ReadAt(offset, m_block.data(), m_block.size())));
            m_blockAt = offset;
        }
        return offset + count <= m_blockAt + m_block.size() ? m_block.constData() + (offset - m_blockAt)
                                                            : nullptr;
    }

    // Up to `count` (at most one block) bytes at `offset`; fewer at the end of the file or on an error.
    QByteArray At(qint64 offset, qint64 count) {
        if (offset < 0 || offset >= Size() || count <= 0)
            return {};
        count = std::min(count, Size() - offset);
        const char* span = Span(offset, count);
        return span != nullptr ? QByteArray(span, count) : QByteArray();
    }

    // The first byte at or after `offset` that equals `value`, or -1.
    qint64 Find(qint64 offset, char value) {
        while (offset >= 0 && offset < Size()) {
            const qint64 count = std::min(kBlockSize, Size() - offset);
            const char* span = Span(offset, count);
            if (span == nullptr)
                return -1;
            const void* hit = std::memchr(span, value, std::size_t(count));
            if (hit != nullptr)
                return offset + (static_cast<const char*>(hit) - span);
            offset += count;
        }
        return -1;
    }

private:
    PictureFile& m_file;
    QByteArray m_head;
    QByteArray m_block;
    qint64 m_blockAt = 0;
};

bool ValidPngHeader(const QByteArray& header) {
    // IHDR: width, height, bit depth, colour type, compression, filter, interlace.
    const int depth = quint8(header[8]);
    const int colour = quint8(header[9]);
    const bool depthFits =
        (colour == 0 && (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)) ||
        (colour == 3 && (depth == 1 || depth == 2 || depth == 4 || depth == 8)) ||
        ((colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16));
    return depthFits && header[10] == 0 && header[11] == 0 && quint8(header[12]) <= 1 &&
           BigEndian32(header, 0) - 1 < 0x7FFFFFFFu && BigEndian32(header, 4) - 1 < 0x7FFFFFFFu;
}

// Walks a PNG's chunks up to its IEND chunk; the length of the picture, or 0 when a chunk is cut
// off or the header or image data are missing.
qint64 PngLength(FileBytes& bytes, Picture* picture) {
    const QByteArray header = bytes.At(8, 8 + 13);
    if (header.size() != 21 || BigEndian32(header, 0) != 13 || header.mid(4, 4) != "IHDR" ||
        !ValidPngHeader(header.mid(8)))
        return 0;
    picture->pixelWidth = int(BigEndian32(header, 8));
    picture->pixelHeight = int(BigEndian32(header, 12));
    bool imageData = false;
    for (qint64 at = 8;;) {
        const char* chunk = bytes.Span(at, 8);
        if (chunk == nullptr)
            return 0;
        const quint32 length = qFromBigEndian<quint32>(chunk);
        const qint64 next = at + 12 + qint64(length);
        if (length > 0x7FFFFFFFu || next > bytes.Size())
            return 0;
        if (std::memcmp(chunk + 4, "IEND", 4) == 0)
            return imageData ? next : 0;
        imageData = imageData || std::memcmp(chunk + 4, "IDAT", 4) == 0;
        at = next;
    }
}

// After a scan's header: the offset of the first marker behind its entropy-coded data (a 0xFF that
// is neither stuffing nor a restart marker), or -1 when the file ends first.
qint64 ScanEnd(FileBytes& bytes, qint64 at) {
    for (;;) {
        at = bytes.Find(at, '\xFF');
        if (at < 0)
            return -1;
        const char* next = bytes.Span(at + 1, 1);
        if (next == nullptr)
            return -1;
        const int code = quint8(*next);
        if (code == 0x00 || (code >= 0xD0 && code <= 0xD7) || code == 0xFF) {
            at += code == 0xFF ? 1 : 2;
            continue;
        }
        return at;
    }
}

bool IsStartOfFrame(int code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Walks a JPEG's segments and scans up to its end-of-image marker; the length of the picture, or 0
// when it has no frame header, no scan data or no end. `*asIs`: a baseline or progressive frame of
// one or three components, which every reader shows; the other kinds (CMYK, lossless, arithmetic
// coding) are converted.
qint64 JpegLength(FileBytes& bytes, Picture* picture, bool* asIs) {
    bool frame = false;
    bool scan = false;
    for (qint64 at = 2;;) {
        QByteArray marker = bytes.At(at, 2);
        while (marker.size() == 2 && quint8(marker[0]) == 0xFF && quint8(marker[1]) == 0xFF)
            marker = bytes.At(++at, 2); // fill bytes
        if (marker.size() != 2 || quint8(marker[0]) != 0xFF)
            return 0;
        const int code = quint8(marker[1]);
        at += 2;
        if (code == 0xD9)
            return frame && scan ? at : 0;
        if ((code >= 0xD0 && code <= 0xD7) || code == 0x01)
            continue; // markers without a segment
        const QByteArray lengthBytes = bytes.At(at, 2);
        const int length =
            lengthBytes.size() == 2 ? (quint8(lengthBytes[0]) << 8) | quint8(lengthBytes[1]) : 0;
        if (length < 2)
            return 0;
        if (IsStartOfFrame(code) && !frame) {
            const QByteArray header = bytes.At(at + 2, 6);
            if (header.size() != 6)
                return 0;
            picture->pixelHeight = (quint8(header[1]) << 8) | quint8(header[2]);
            picture->pixelWidth = (quint8(header[3]) << 8) | quint8(header[4]);
            *asIs = code <= 0xC2 && (header[5] == 1 || header[5] == 3);
            frame = picture->pixelWidth > 0 && picture->pixelHeight > 0;
            if (!frame)
                return 0;
        }
        at += length;
        if (code == 0xDA) {
            const qint64 end = ScanEnd(bytes, at);
            if (!frame || end <= at)
                return 0; // no scan data, or it runs to the end of the file
            scan = true;
            at = end;
        }
    }
}

QImage Decode(const QString& path, QString* why) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true); // the name's extension may be missing or wrong
    QImage image = reader.read();
    if (image.isNull())
        *why = reader.errorString();
    return image;
}

// Formats other than PNG and JPEG: Qt draws what it finds of a cut-off BMP or GIF, so their ends are
// checked first; then the picture must decode.
QString AdmitConverted(FileBytes& bytes, PictureFile& file, const QString& path, Picture* picture) {
    const QByteArray& head = bytes.Head();
    if (head.startsWith("BM") && head.size() >= 30 && !BitmapComplete(head, bytes.Size()))
        return QStringLiteral("the BMP file is incomplete or damaged.");
    if (head.startsWith("GIF8") && bytes.At(bytes.Size() - 1, 1) != "\x3B")
        return QStringLiteral("the GIF file is incomplete or damaged.");
    file.Close();
    QString why;
    const QImage image = Decode(path, &why);
    if (image.isNull())
        return QStringLiteral("it is not an image file that can be read (%1).").arg(why);
    picture->encoding = Picture::Encoding::ConvertToPng;
    picture->pixelWidth = image.width();
    picture->pixelHeight = image.height();
    picture->embedSize = 0;
    return {};
}

// Fills `picture` from the file's bytes; the reason for the user when the file is refused.
QString AdmitBytes(FileBytes& bytes, PictureFile& file, const QString& path, Picture* picture) {
    const QByteArray& head = bytes.Head();
    if (head.startsWith(kPngSignature)) {
        picture->encoding = Picture::Encoding::Png;
        picture->embedSize = PngLength(bytes, picture);
        return picture->embedSize > 0 ? QString() : QStringLiteral("the PNG file is incomplete or damaged.");
    }
    if (head.startsWith(kJpegSignature)) {
        bool asIs = true;
        picture->encoding = Picture::Encoding::Jpeg;
        picture->embedSize = JpegLength(bytes, picture, &asIs);
        if (picture->embedSize == 0)
            return QStringLiteral("the JPEG file is incomplete or damaged.");
        return asIs ? QString() : AdmitConverted(bytes, file, path, picture);
    }
    return AdmitConverted(bytes, file, path, picture);
}

} // namespace

PictureGate::Verdict PictureGate::Admit(const QString& path, Picture* picture, QString* message) {
    // An empty picture cell names no file.
    if (path.isEmpty()) {
        *message = QStringLiteral("The image to be inserted does not exist!");
        return Verdict::Missing;
    }
    auto refuse = [&](const QString& why) {
        *message = QStringLiteral("The image \"%1\" cannot be inserted: %2").arg(Shown(path), why);
        return Verdict::Refused;
    };
    PictureFile file;
    switch (file.Open(path)) {
    case PictureFile::Kind::Missing:
        *message = QStringLiteral("The image to be inserted does not exist!");
        return Verdict::Missing;
    case PictureFile::Kind::Folder:
        return refuse(QStringLiteral("it is a folder, not an image file."));
    case PictureFile::Kind::Special:
        // Opening a pipe would block until something writes to it, and a device may never end.
        return refuse(QStringLiteral("it is not an ordinary file."));
    case PictureFile::Kind::Unreadable:
        return refuse(QStringLiteral("the file cannot be read (%1).").arg(file.ErrorString()));
    case PictureFile::Kind::Regular:
        break;
    }
    if (file.Size() == 0)
        return refuse(QStringLiteral("the file is empty."));
    Picture result;
    result.sourcePath = QFileInfo(path).absoluteFilePath(); // the working folder may change before saving
    result.fileSize = file.Size();
    FileBytes bytes(file);
    if (!bytes.ReadHead())
        return refuse(QStringLiteral("the file cannot be read (%1).").arg(file.ErrorString()));
    const QString why = AdmitBytes(bytes, file, path, &result);
    if (!why.isEmpty())
        return refuse(why);
    *picture = result;
    return Verdict::Accepted;
}

std::vector<int> PictureGate::ShownPictures(const Document& document) {
    std::vector<int> shown;
    std::vector<bool> seen(document.pictures.size(), false);
    ForEachParagraph(document, [&](const Paragraph& paragraph) {
        for (const Run& run : paragraph.runs) {
            if (run.IsPicture() && run.picture >= 0 && run.picture < int(seen.size()) && !seen[run.picture]) {
                seen[run.picture] = true;
                shown.push_back(run.picture);
            }
        }
    });
    return shown;
}

bool PictureGate::OpenAdmitted(const Picture& picture, PictureFile* file, qint64 headSize, QByteArray* head,
                               bool* asIs, QString* error) {
    const PictureFile::Kind kind = file->Open(picture.sourcePath);
    if (kind == PictureFile::Kind::Unreadable) {
        *error = UnreadableMessage(picture.sourcePath, file->ErrorString());
        return false;
    }
    if (kind != PictureFile::Kind::Regular || file->Size() != picture.fileSize) {
        *error = ChangedMessage(picture.sourcePath);
        return false;
    }
    *asIs = picture.encoding != Picture::Encoding::ConvertToPng;
    if (!*asIs)
        return true;
    if (!ReadAdmitted(picture, file, 0, std::min<qint64>(headSize, picture.EmbeddedBytes()), head, error))
        return false;
    // Another file of the same size put in its place would show as a broken picture; it goes through Qt.
    *asIs = head->startsWith(picture.encoding == Picture::Encoding::Png ? kPngSignature : kJpegSignature);
    return true;
}

bool PictureGate::ReadAdmitted(const Picture& picture, PictureFile* file, qint64 offset, qint64 count,
                               QByteArray* block, QString* error) {
    block->resize(count);
    const qint64 read = file->ReadAt(offset, block->data(), count);
    if (read < 0) {
        *error = UnreadableMessage(picture.sourcePath, file->ErrorString());
        return false;
    }
    if (read != count) {
        *error = ChangedWhileWritingMessage(picture.sourcePath);
        return false;
    }
    return true;
}

bool PictureGate::ConvertToPng(const Picture& picture, QByteArray* png, QString* error) {
    const QFileInfo info(picture.sourcePath);
    if (!info.isFile() || info.size() != picture.fileSize) {
        *error = ChangedMessage(picture.sourcePath);
        return false;
    }
    QString why;
    const QImage image = Decode(picture.sourcePath, &why);
    if (image.isNull()) {
        *error = UnreadableMessage(picture.sourcePath, why);
        return false;
    }
    png->clear();
    QBuffer buffer(png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        *error =
            QStringLiteral("the image \"%1\" could not be converted to PNG.").arg(Shown(picture.sourcePath));
        return false;
    }
    return true;
}

bool PictureGate::FitsDocFormat(const Picture& picture, qint64 size, QString* error) {
    if (size <= kMaxDocBlipSize)
        return true;
    *error = QStringLiteral("the image \"%1\" is too large for the Word 97-2003 format.")
                 .arg(Shown(picture.sourcePath));
    return false;
}

QString PictureGate::ChangedMessage(const QString& path) {
    return QStringLiteral("the image \"%1\" is missing or has changed since it was inserted.")
        .arg(Shown(path));
}

QString PictureGate::ChangedWhileWritingMessage(const QString& path) {
    return QStringLiteral("the image \"%1\" changed while the document was written.").arg(Shown(path));
}

QString PictureGate::UnreadableMessage(const QString& path, const QString& why) {
    return QStringLiteral("the image \"%1\" can no longer be read (%2).").arg(Shown(path), why);
}

} // namespace Word
