#include "word/PictureProbe.h"

#include "word/PictureFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>

namespace Word {

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray kPngTrailer("\0\0\0\0IEND\xae\x42\x60\x82", 12);
// Pictures up to this size (the instrument's plots are 5-50 KiB) are read whole when probed.
constexpr qint64 kWholeReadLimit = 64 * 1024;

quint32 BigEndian32(const QByteArray& bytes, int at) {
    return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16) |
           (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
}

quint32 LittleEndian32(const QByteArray& bytes, int at) {
    return quint32(quint8(bytes[at])) | (quint32(quint8(bytes[at + 1])) << 8) |
           (quint32(quint8(bytes[at + 2])) << 16) | (quint32(quint8(bytes[at + 3])) << 24);
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
    const qint64 height = std::abs(qint64(qint32(LittleEndian32(head, 22))));
    const int bitsPerPixel = quint8(head[28]) | (quint8(head[29]) << 8);
    const quint32 compression = head.size() >= 34 ? LittleEndian32(head, 30) : 0;
    if (compression != 0 || width <= 0)
        return true;
    const qint64 stride = ((width * bitsPerPixel + 31) / 32) * 4;
    // Divided, not multiplied: the sizes in a damaged header would overflow the product.
    const qint64 available = size - qint64(pixelsAt);
    return available >= 0 && (height == 0 || stride <= available / height);
}

// The bytes of a picture file: its first block read at once, anything further read where asked.
class FileBytes {
public:
    explicit FileBytes(PictureFile& file) : m_file(file) {}

    bool ReadHead(qint64 count) {
        m_head.resize(count);
        const qint64 read = m_file.ReadAt(0, m_head.data(), count);
        if (read < 0)
            return false;
        m_head.truncate(read);
        return true;
    }
    const QByteArray& Head() const { return m_head; }

    // Up to `count` bytes at `offset`; fewer at the end of the file or on a read error.
    QByteArray At(qint64 offset, qint64 count) {
        if (offset >= 0 && offset + count <= m_head.size())
            return m_head.mid(offset, count);
        QByteArray bytes(count, Qt::Uninitialized);
        bytes.truncate(std::max<qint64>(0, m_file.ReadAt(offset, bytes.data(), count)));
        return bytes;
    }

    QByteArray Tail(qint64 count) {
        const qint64 size = m_file.Size();
        return At(std::max<qint64>(0, size - count), std::min(count, size));
    }

private:
    PictureFile& m_file;
    QByteArray m_head;
};

// Width and height from a JPEG's start-of-frame segment.
bool JpegSize(FileBytes& bytes, int* width, int* height) {
    qint64 at = 2;
    for (;;) {
        QByteArray marker = bytes.At(at, 2);
        at += 2;
        while (marker.size() == 2 && quint8(marker[0]) == 0xFF && quint8(marker[1]) == 0xFF)
            marker = marker.mid(1) + bytes.At(at++, 1);
        if (marker.size() != 2 || quint8(marker[0]) != 0xFF)
            return false;
        const int code = quint8(marker[1]);
        if (code == 0xD9 || code == 0xDA)
            return false;
        const QByteArray lengthBytes = bytes.At(at, 2);
        at += 2;
        if (lengthBytes.size() != 2)
            return false;
        const int length = (quint8(lengthBytes[0]) << 8) | quint8(lengthBytes[1]);
        if (length < 2)
            return false;
        const bool startOfFrame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (startOfFrame) {
            const QByteArray frame = bytes.At(at, 5);
            if (frame.size() != 5)
                return false;
            *height = (quint8(frame[1]) << 8) | quint8(frame[2]);
            *width = (quint8(frame[3]) << 8) | quint8(frame[4]);
            return *width > 0 && *height > 0;
        }
        at += length - 2;
    }
}

} // namespace

PictureProbe::Result PictureProbe::Probe(const QString& path, Picture* picture, QString* error) {
    const QString shown = QDir::toNativeSeparators(path);
    auto refuse = [&](const QString& why) {
        *error = QStringLiteral("The image \"%1\" cannot be inserted: %2").arg(shown, why);
        return Result::Refused;
    };
    PictureFile file;
    switch (file.Open(path)) {
    case PictureFile::Kind::Missing:
        return Result::Missing;
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
    const qint64 size = file.Size();
    if (size == 0)
        return refuse(QStringLiteral("the file is empty."));

    Picture result;
    result.sourcePath = QFileInfo(path).absoluteFilePath(); // the working folder may change before saving
    result.fileSize = size;
    // A small picture is read whole in one call; of a larger one only the head, and the tail apart.
    FileBytes bytes(file);
    if (!bytes.ReadHead(std::min(size, kWholeReadLimit)))
        return refuse(QStringLiteral("the file cannot be read (%1).").arg(file.ErrorString()));
    const QByteArray head = bytes.Head().left(34);
    if (head.startsWith(kPngSignature)) {
        if (head.size() < 24 || head.mid(12, 4) != "IHDR" || !bytes.Tail(12).startsWith(kPngTrailer))
            return refuse(QStringLiteral("the PNG file is incomplete or damaged."));
        result.encoding = Picture::Encoding::Png;
        result.pixelWidth = static_cast<int>(BigEndian32(head, 16));
        result.pixelHeight = static_cast<int>(BigEndian32(head, 20));
        if (result.pixelWidth <= 0 || result.pixelHeight <= 0)
            return refuse(QStringLiteral("the PNG file is damaged."));
    } else if (head.size() >= 3 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8 &&
               quint8(head[2]) == 0xFF) {
        QByteArray tail = bytes.Tail(4096);
        while (tail.endsWith('\0'))
            tail.chop(1);
        if (!tail.endsWith("\xFF\xD9") || !JpegSize(bytes, &result.pixelWidth, &result.pixelHeight))
            return refuse(QStringLiteral("the JPEG file is incomplete or damaged."));
        result.encoding = Picture::Encoding::Jpeg;
    } else {
        // Qt draws what it finds of a cut-off BMP or GIF; such a file is refused all the same.
        const bool bitmap = head.startsWith("BM") && head.size() >= 30;
        if (bitmap && !BitmapComplete(head, size))
            return refuse(QStringLiteral("the BMP file is incomplete or damaged."));
        if (head.startsWith("GIF8") && !bytes.Tail(1).startsWith('\x3B'))
            return refuse(QStringLiteral("the GIF file is incomplete or damaged."));
        file.Close();
        QImageReader reader(path);
        const QImage image = reader.read();
        if (image.isNull())
            return refuse(
                QStringLiteral("it is not an image file that can be read (%1).").arg(reader.errorString()));
        result.encoding = Picture::Encoding::ConvertToPng;
        result.pixelWidth = image.width();
        result.pixelHeight = image.height();
    }
    *picture = result;
    return Result::Accepted;
}

} // namespace Word
