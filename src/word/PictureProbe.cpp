#include "word/PictureProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstdlib>

namespace Word {

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray kPngTrailer("\0\0\0\0IEND\xae\x42\x60\x82", 12);

quint32 BigEndian32(const QByteArray& bytes, int at) {
    return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16) |
           (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
}

// The last `count` bytes of a file of `size` bytes.
QByteArray ReadTail(QFile& file, qint64 size, qint64 count) {
    if (!file.seek(std::max<qint64>(0, size - count)))
        return {};
    return file.read(count);
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

// Width and height from a JPEG's start-of-frame segment.
bool JpegSize(QFile& file, int* width, int* height) {
    if (!file.seek(2))
        return false;
    for (;;) {
        QByteArray marker = file.read(2);
        while (marker.size() == 2 && quint8(marker[0]) == 0xFF && quint8(marker[1]) == 0xFF)
            marker = marker.mid(1) + file.read(1);
        if (marker.size() != 2 || quint8(marker[0]) != 0xFF)
            return false;
        const int code = quint8(marker[1]);
        if (code == 0xD9 || code == 0xDA)
            return false;
        const QByteArray lengthBytes = file.read(2);
        if (lengthBytes.size() != 2)
            return false;
        const int length = (quint8(lengthBytes[0]) << 8) | quint8(lengthBytes[1]);
        if (length < 2)
            return false;
        const bool startOfFrame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (startOfFrame) {
            const QByteArray frame = file.read(5);
            if (frame.size() != 5)
                return false;
            *height = (quint8(frame[1]) << 8) | quint8(frame[2]);
            *width = (quint8(frame[3]) << 8) | quint8(frame[4]);
            return *width > 0 && *height > 0;
        }
        if (!file.seek(file.pos() + length - 2))
            return false;
    }
}

} // namespace

bool PictureProbe::Probe(const QString& path, Picture* picture, QString* error) {
    const QString shown = QDir::toNativeSeparators(path);
    auto refuse = [&](const QString& why) {
        *error = QStringLiteral("The image \"%1\" cannot be inserted: %2").arg(shown, why);
        return false;
    };
    const QFileInfo info(path);
    // Opening a pipe would block until something writes to it, and a device may never end.
    if (info.exists() && !info.isFile() && !info.isDir())
        return refuse(QStringLiteral("it is not an ordinary file."));
    // Unbuffered: only the few bytes asked for are read, not a block at the head and one at the tail.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (info.isDir())
            return refuse(QStringLiteral("it is a folder, not an image file."));
        return refuse(QStringLiteral("the file cannot be read (%1).").arg(file.errorString()));
    }
    const qint64 size = file.size();
    if (size == 0)
        return refuse(QStringLiteral("the file is empty."));

    Picture result;
    result.sourcePath = info.absoluteFilePath(); // the working folder may change before saving
    result.fileSize = size;
    const QByteArray head = file.read(34);
    if (head.startsWith(kPngSignature)) {
        if (head.size() < 24 || head.mid(12, 4) != "IHDR" ||
            !ReadTail(file, size, 12).startsWith(kPngTrailer))
            return refuse(QStringLiteral("the PNG file is incomplete or damaged."));
        result.encoding = Picture::Encoding::Png;
        result.pixelWidth = static_cast<int>(BigEndian32(head, 16));
        result.pixelHeight = static_cast<int>(BigEndian32(head, 20));
        if (result.pixelWidth <= 0 || result.pixelHeight <= 0)
            return refuse(QStringLiteral("the PNG file is damaged."));
    } else if (head.size() >= 3 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8 &&
               quint8(head[2]) == 0xFF) {
        QByteArray tail = ReadTail(file, size, 4096);
        while (tail.endsWith('\0'))
            tail.chop(1);
        if (!tail.endsWith("\xFF\xD9") || !JpegSize(file, &result.pixelWidth, &result.pixelHeight))
            return refuse(QStringLiteral("the JPEG file is incomplete or damaged."));
        result.encoding = Picture::Encoding::Jpeg;
    } else {
        // Qt draws what it finds of a cut-off BMP or GIF; such a file is refused all the same.
        const bool bitmap = head.startsWith("BM") && head.size() >= 30;
        if (bitmap && !BitmapComplete(head, size))
            return refuse(QStringLiteral("the BMP file is incomplete or damaged."));
        if (head.startsWith("GIF8") && !ReadTail(file, size, 1).startsWith('\x3B'))
            return refuse(QStringLiteral("the GIF file is incomplete or damaged."));
        file.close();
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
    return true;
}

} // namespace Word
