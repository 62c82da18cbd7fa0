#include "support/PictureCollection.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 32;

QImage Drawing(QImage::Format format) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    image.fill(QColor(230, 240, 255, 200));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(200, 30, 30), 3));
    painter.drawLine(0, kHeight - 1, kWidth - 1, 0);
    painter.setBrush(QColor(20, 120, 40));
    painter.drawEllipse(8, 6, 24, 16);
    painter.end();
    return image.convertToFormat(format);
}

QByteArray Encoded(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? bytes : QByteArray();
}

// A sample of the test pattern at (x, y) for channel `c`, within 0..maximum.
unsigned Sample(int x, int y, int c, unsigned maximum) {
    return unsigned((x * 7 + y * 5 + c * 11) % (kWidth + kHeight)) * maximum / unsigned(kWidth + kHeight - 1);
}

// A PNG of any bit depth and colour type that libpng writes, Adam7-interlaced if asked.
QByteArray LibPng(int colourType, int depth, bool interlaced, bool transparency) {
    const int channels = colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
    const int rowBytes = (kWidth * channels * depth + 7) / 8;
    std::vector<unsigned char> pixels(std::size_t(rowBytes) * kHeight, 0);
    const unsigned maximum = (1u << depth) - 1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < channels; ++c) {
                const unsigned value = Sample(x, y, c, maximum);
                const int bit = (x * channels + c) * depth;
                unsigned char* row = &pixels[std::size_t(y) * rowBytes];
                if (depth == 16) {
                    row[bit / 8] = (unsigned char)(value >> 8);
                    row[bit / 8 + 1] = (unsigned char)(value & 0xFF);
                } else {
                    row[bit / 8] |= (unsigned char)(value << (8 - depth - bit % 8));
                }
            }
        }
    }
    std::vector<png_bytep> rows(kHeight);
    for (int y = 0; y < kHeight; ++y)
        rows[y] = &pixels[std::size_t(y) * rowBytes];

    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::free(data);
        return {};
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, depth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte alpha[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = {png_byte(i), png_byte(255 - i), png_byte((i * 3) & 0xFF)};
        alpha[i] = png_byte(255 - i / 2);
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, int(maximum + 1));
        if (transparency)
            png_set_tRNS(png, info, alpha, int(maximum + 1), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    const QByteArray bytes(data, qsizetype(size));
    std::free(data);
    return bytes;
}

// A JPEG that libjpeg writes from CMYK samples, as print-oriented tools save them.
QByteArray CmykJpeg() {
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &data, &size);
    compress.image_width = kWidth;
    compress.image_height = kHeight;
    compress.input_components = 4;
    compress.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 90, TRUE);
    jpeg_start_compress(&compress, TRUE);
    std::vector<unsigned char> row(kWidth * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 4; ++c)
                row[std::size_t(x * 4 + c)] = (unsigned char)Sample(x, y, c, 255);
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&compress, &rowPointer, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::free(data);
    return bytes;
}

// A JPEG with an EXIF segment (an empty first directory) right after its start marker.
QByteArray WithExif(const QByteArray& jpeg) {
    const QByteArray tiff = QByteArray("II*\0", 4) + QByteArray("\x08\0\0\0", 4) + QByteArray(6, '\0');
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + body + jpeg.mid(2);
}

void Put16(QByteArray& bytes, int value) {
    bytes += char(value & 0xFF);
    bytes += char((value >> 8) & 0xFF);
}

void Put32(QByteArray& bytes, qint64 value) {
    Put16(bytes, int(value & 0xFFFF));
    Put16(bytes, int((value >> 16) & 0xFFFF));
}

// An uncompressed BMP of 1, 4, 8, 16 (5-5-5), 24 or 32 bits, bottom-up or top-down.
QByteArray Bitmap(int depth, bool topDown) {
    const int colours = depth <= 8 ? 1 << depth : 0;
    const int stride = ((kWidth * depth + 31) / 32) * 4;
    const int pixelsAt = 14 + 40 + colours * 4;
    QByteArray bytes("BM");
    Put32(bytes, pixelsAt + stride * kHeight);
    Put32(bytes, 0);
    Put32(bytes, pixelsAt);
    Put32(bytes, 40);
    Put32(bytes, kWidth);
    Put32(bytes, topDown ? -kHeight : kHeight);
    Put16(bytes, 1);
    Put16(bytes, depth);
    Put32(bytes, 0); // BI_RGB
    Put32(bytes, stride * kHeight);
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, colours);
    Put32(bytes, 0);
    for (int i = 0; i < colours; ++i)
        Put32(bytes, (qint64(i * 255 / std::max(1, colours - 1)) << 8) |
                         qint64(255 - i * 255 / std::max(1, colours - 1)));
    for (int y = 0; y < kHeight; ++y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < kWidth; ++x) {
            const unsigned value = Sample(x, y, 0, depth <= 8 ? unsigned(colours - 1) : 255);
            const int bit = x * depth;
            if (depth < 8)
                row[bit / 8] = char(quint8(row[bit / 8]) | (value << (8 - depth - bit % 8)));
            else if (depth == 8)
                row[x] = char(value);
            else
                for (int c = 0; c < depth / 8; ++c) // 16 bits: two bytes of 5-5-5, any values do
                    row[x * (depth / 8) + c] = char(c == 3 ? 255 : Sample(x, y, c, 255));
        }
        bytes += row;
    }
    return bytes;
}

// A GIF of 256 colours whose LZW stream starts afresh every 250 pixels, so every code is 9 bits.
QByteArray Gif() {
    QByteArray bytes("GIF89a");
    Put16(bytes, kWidth);
    Put16(bytes, kHeight);
    bytes += char(0xF7);
    bytes += char(0);
    bytes += char(0);
    for (int i = 0; i < 256; ++i) {
        bytes += char(i);
        bytes += char(255 - i);
        bytes += char(i / 2);
    }
    bytes += char(0x2C);
    Put16(bytes, 0);
    Put16(bytes, 0);
    Put16(bytes, kWidth);
    Put16(bytes, kHeight);
    bytes += char(0);
    bytes += char(8);
    QByteArray stream;
    quint32 buffer = 0;
    int bits = 0;
    auto put = [&](unsigned code) {
        buffer |= code << bits;
        for (bits += 9; bits >= 8; bits -= 8, buffer >>= 8)
            stream += char(buffer & 0xFF);
    };
    for (int i = 0; i < kWidth * kHeight; ++i) {
        if (i % 250 == 0)
            put(256);
        put(Sample(i % kWidth, i / kWidth, 0, 255));
    }
    put(257);
    if (bits > 0)
        stream += char(buffer & 0xFF);
    for (int at = 0; at < stream.size(); at += 255) {
        const QByteArray block = stream.mid(at, 255);
        bytes += char(block.size());
        bytes += block;
    }
    bytes += char(0);
    bytes += char(0x3B);
    return bytes;
}

// A JPEG cut right before its first scan, closed with an end-of-image marker.
QByteArray WithoutScan(const QByteArray& jpeg) {
    return jpeg.left(jpeg.indexOf(QByteArray("\xFF\xDA", 2))) + QByteArray("\xFF\xD9", 2);
}

bool Save(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

QList<PictureCollection::Entry> PictureCollection::Write(const QString& folder) {
    const QByteArray png = Encoded(Drawing(QImage::Format_RGB32), "PNG");
    const QByteArray jpeg = Encoded(Drawing(QImage::Format_RGB32), "JPEG");
    const QByteArray tiff = Encoded(Drawing(QImage::Format_ARGB32), "TIFF");
    const QByteArray text("PD-3000 firmware 2.1, channel 3\r\n");
    QList<std::pair<QString, QByteArray>> shown = {
        {"png.png", png},
        {"png-newline.png", png + "\n"},
        {"png-zero-padded.png", png + QByteArray(1000, '\0')},
        {"png-text-appended.png", png + text},
        {"jpeg.jpg", jpeg},
        {"jpeg-text-and-zeros.jpg", jpeg + "\n" + text + QByteArray(300, '\0')},
        {"jpeg-progressive.jpg", Encoded(Drawing(QImage::Format_RGB32), "JPEG", true)},
        {"jpeg-grayscale.jpg", Encoded(Drawing(QImage::Format_Grayscale8), "JPEG")},
        {"jpeg-cmyk.jpg", CmykJpeg()},
        {"jpeg-exif.jpg", WithExif(jpeg)},
        {"png-palette-alpha.png", LibPng(PNG_COLOR_TYPE_PALETTE, 8, false, true)},
        {"png-rgb-interlaced.png", LibPng(PNG_COLOR_TYPE_RGB, 8, true, false)},
        {"png-rgba-16-interlaced.png", LibPng(PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false)},
        {"bmp-top-down-24.bmp", Bitmap(24, true)},
        {"bmp-top-down-8.bmp", Bitmap(8, true)},
        {"gif.gif", Gif()},
        {"tiff.tif", tiff},
        {"webp.webp", Encoded(Drawing(QImage::Format_ARGB32), "WEBP")},
        {"WAVE.PNG", png},
        {"prpd-without-extension", jpeg},
        {"png-named.jpg", png},
        {"bmp-named.png", Bitmap(24, false)},
        {"tiff-named.gif", tiff},
    };
    for (const int depth : {1, 2, 4, 8, 16})
        shown.append(
            {QStringLiteral("png-gray-%1.png").arg(depth), LibPng(PNG_COLOR_TYPE_GRAY, depth, false, false)});
    for (const int depth : {1, 2, 4, 8})
        shown.append({QStringLiteral("png-palette-%1.png").arg(depth),
                      LibPng(PNG_COLOR_TYPE_PALETTE, depth, false, false)});
    for (const int depth : {8, 16}) {
        shown.append(
            {QStringLiteral("png-rgb-%1.png").arg(depth), LibPng(PNG_COLOR_TYPE_RGB, depth, false, false)});
        shown.append({QStringLiteral("png-gray-alpha-%1.png").arg(depth),
                      LibPng(PNG_COLOR_TYPE_GRAY_ALPHA, depth, false, false)});
        shown.append({QStringLiteral("png-rgba-%1.png").arg(depth),
                      LibPng(PNG_COLOR_TYPE_RGB_ALPHA, depth, false, false)});
    }
    for (const int depth : {1, 4, 8, 16, 24, 32})
        shown.append({QStringLiteral("bmp-%1.bmp").arg(depth), Bitmap(depth, false)});

    QList<Entry> entries;
    for (const auto& [name, bytes] : shown) {
        if (!Save(QDir(folder).filePath(name), bytes))
            return {};
        entries.append({name, QDir(folder).filePath(name), QString()});
    }
    const QList<std::pair<QString, QByteArray>> refusedFiles = {
        {"notes.png", "Not a picture: the instrument's notes.\n"},
        {"empty.jpg", QByteArray()},
        {"png-cut-in-image-data.png", png.left(png.indexOf("IDAT") + 40)},
        {"jpeg-without-scan.jpg", WithoutScan(jpeg)},
    };
    const QStringList refusals = {QStringLiteral("not an image file that can be read"),
                                  QStringLiteral("the file is empty."),
                                  QStringLiteral("the PNG file is incomplete or damaged."),
                                  QStringLiteral("the JPEG file is incomplete or damaged.")};
    for (int i = 0; i < refusedFiles.size(); ++i) {
        const QString path = QDir(folder).filePath(refusedFiles[i].first);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(refusedFiles[i].second) != refusedFiles[i].second.size())
            return {};
        entries.append({refusedFiles[i].first, path, refusals[i]});
    }
    const QString subfolder = QDir(folder).filePath(QStringLiteral("folder.png"));
    const QString pipe = QDir(folder).filePath(QStringLiteral("pipe.png"));
    if (!QDir().mkpath(subfolder) || ::mkfifo(QFile::encodeName(pipe).constData(), 0644) != 0)
        return {};
    entries.append(
        {QStringLiteral("folder"), subfolder, QStringLiteral("it is a folder, not an image file.")});
    entries.append({QStringLiteral("pipe"), pipe, QStringLiteral("it is not an ordinary file.")});
    return entries;
}

QList<PictureCollection::Entry> PictureCollection::Shown(const QList<Entry>& entries) {
    QList<Entry> shown;
    for (const Entry& entry : entries)
        if (entry.refusal.isEmpty())
            shown.append(entry);
    return shown;
}

QList<PictureCollection::Entry> PictureCollection::Refused(const QList<Entry>& entries) {
    QList<Entry> refused;
    for (const Entry& entry : entries)
        if (!entry.refusal.isEmpty())
            refused.append(entry);
    return refused;
}
