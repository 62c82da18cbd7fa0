#include "word/DocPictureWriter.h"

#include "word/CfbWriter.h"
#include "word/DocByteWriter.h"
#include "word/PictureFile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace Word {

namespace {

constexpr qint64 kBlockSize = 64 * 1024;
constexpr std::uint32_t kPicfSize = 0x44;
constexpr std::uint32_t kMmShape = 0x0064; // the picture is an OfficeArt shape
constexpr std::uint32_t kShapeContainerSize = 8 + 16 + 26 + 12;
constexpr std::uint32_t kFbseBodySize = 36;
constexpr std::uint32_t kBlipPrefixSize = 17; // uid and tag in front of the file's bytes
constexpr qint64 kMaxBlipSize = 0x7FFF0000;

constexpr std::uint32_t kPictureFrame = 75; // msosptPictureFrame
constexpr std::uint32_t kBlipPng = 6, kBlipJpeg = 5;

int GoalTwips(float points, int pixels) {
    // The shown size in twips; a picture without one shows at 96 dpi.
    const double twips = points > 0.0f ? double(points) * 20.0 : double(pixels) * 15.0;
    return std::clamp(static_cast<int>(std::lround(twips)), 1, 0x7FFF);
}

// Up to `count` bytes at `offset`: empty at the end of the file, null on a read error.
QByteArray ReadBlock(PictureFile& file, qint64 offset, qint64 count) {
    QByteArray block(count, Qt::Uninitialized);
    const qint64 read = file.ReadAt(offset, block.data(), count);
    if (read < 0)
        return {};
    block.truncate(read);
    return block.isNull() ? QByteArray("") : block;
}

void RecordHeader(DocByteWriter& out, std::uint32_t version, std::uint32_t instance, std::uint32_t type,
                  std::uint32_t length) {
    out.U16(version | (instance << 4));
    out.U16(type);
    out.U32(length);
}

} // namespace

bool DocPictureWriter::Write(const Picture& picture, std::uint32_t shapeId, CfbWriter* cfb, QString* error) {
    const QString shownPath = QDir::toNativeSeparators(picture.sourcePath);
    const auto missing = [&] {
        *error = QStringLiteral("the image \"%1\" is missing or has changed since it was inserted.")
                     .arg(shownPath);
        return false;
    };
    const auto unreadable = [&](const QString& why) {
        *error = QStringLiteral("the image \"%1\" can no longer be read (%2).").arg(shownPath, why);
        return false;
    };

    PictureFile file;
    bool convert = picture.encoding == Picture::Encoding::ConvertToPng;
    // The file's first block; a picture that fits in it is read once and copied from memory.
    QByteArray first;
    if (convert) {
        const QFileInfo info(picture.sourcePath);
        if (!info.isFile() || info.size() != picture.fileSize)
            return missing();
    } else {
        const PictureFile::Kind kind = file.Open(picture.sourcePath);
        if (kind == PictureFile::Kind::Unreadable)
            return unreadable(file.ErrorString());
        if (kind != PictureFile::Kind::Regular || file.Size() != picture.fileSize)
            return missing();
        first = ReadBlock(file, 0, std::min(kBlockSize, file.Size()));
        if (first.isNull())
            return unreadable(file.ErrorString());
        // A blip of the wrong kind would show as a broken picture; such a file goes through Qt.
        const bool matches = picture.encoding == Picture::Encoding::Png
                                 ? first.startsWith(QByteArray::fromHex("89504E470D0A1A0A"))
                                 : first.startsWith(QByteArray::fromHex("FFD8FF"));
        if (!matches) {
            file.Close();
            first.clear();
            convert = true;
        }
    }
    QByteArray converted;
    if (convert) {
        QImageReader reader(picture.sourcePath);
        const QImage image = reader.read();
        if (image.isNull())
            return unreadable(reader.errorString());
        QBuffer buffer(&converted);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) {
            *error = QStringLiteral("the image \"%1\" could not be converted to PNG.").arg(shownPath);
            return false;
        }
    }
    const bool jpeg = !convert && picture.encoding == Picture::Encoding::Jpeg;
    const qint64 size = convert ? converted.size() : file.Size();
    if (size > kMaxBlipSize) {
        *error = QStringLiteral("the image \"%1\" is too large for the Word 97-2003 format.").arg(shownPath);
        return false;
    }

    // The blip's id is the MD4 digest of its bytes, as Word computes it; for a file larger than one
    // block that means one pass to hash and one to copy the rest, so that memory stays one block.
    QCryptographicHash md4(QCryptographicHash::Md4);
    const auto changed = [&] {
        *error = QStringLiteral("the image \"%1\" changed while the document was written.").arg(shownPath);
        return false;
    };
    if (convert) {
        md4.addData(converted);
    } else {
        if (first.size() != std::min(kBlockSize, size))
            return changed();
        md4.addData(first);
        for (qint64 hashed = first.size(); hashed < size;) {
            const QByteArray block = ReadBlock(file, hashed, std::min(kBlockSize, size - hashed));
            if (block.isNull())
                return unreadable(file.ErrorString());
            if (block.isEmpty())
                return changed();
            md4.addData(block);
            hashed += block.size();
        }
    }
    const QByteArray uid = md4.result();

    const std::uint32_t blipLength = kBlipPrefixSize + static_cast<std::uint32_t>(size);
    const std::uint32_t fbseLength = kFbseBodySize + 8 + blipLength;
    const std::uint32_t total = kPicfSize + kShapeContainerSize + 8 + fbseLength;

    DocByteWriter out(256);
    // PICF ([MS-DOC] 2.9.193): the shown size is the goal size at 100 % scaling.
    out.U32(total); // lcb
    out.U16(kPicfSize);
    out.U16(kMmShape);
    out.U16(0); // xExt, yExt, swHMF: unused for shapes
    out.U16(0);
    out.U16(0);
    out.Zeros(14); // innerHeader
    out.I16(GoalTwips(picture.widthPt, picture.pixelWidth));
    out.I16(GoalTwips(picture.heightPt, picture.pixelHeight));
    out.U16(1000); // mx, my: 100 %
    out.U16(1000);
    out.Zeros(8);  // no cropping
    out.U8(0);     // fReserved
    out.U8(0);     // bpp
    out.Zeros(16); // no borders
    out.Zeros(4);  // dxaReserved3, dyaReserved3
    out.U16(0);    // cProps

    // OfficeArtSpContainer: a picture frame showing blip 1 of its own store, no fill, no line.
    RecordHeader(out, 0xF, 0, 0xF004, kShapeContainerSize - 8);
    RecordHeader(out, 2, kPictureFrame, 0xF00A, 8);
    out.U32(shapeId);
    out.U32(0x0A00); // fHaveAnchor, fHaveSpt
    RecordHeader(out, 3, 3, 0xF00B, 18);
    out.U16(0x4104); // pib, a blip index
    out.U32(1);
    out.U16(0x01BF); // fill booleans: fFilled off
    out.U32(0x00100000);
    out.U16(0x01FF); // line booleans: fLine off
    out.U32(0x00080000);
    RecordHeader(out, 0, 0, 0xF010, 4); // client anchor of an inline shape
    out.U32(0x80000000);

    // OfficeArtFBSE with the blip inside ([MS-ODRAW] 2.2.32, 2.2.46 / 2.2.47).
    const std::uint32_t blipType = jpeg ? kBlipJpeg : kBlipPng;
    RecordHeader(out, 2, blipType, 0xF007, fbseLength);
    out.U8(blipType); // btWin32
    out.U8(blipType); // btMacOS
    out.Bytes(uid);
    out.U16(0xFF);           // tag
    out.U32(8 + blipLength); // size of the blip record
    out.U32(1);              // cRef
    out.U32(0);              // foDelay
    out.U8(0);
    out.U8(0); // cbName
    out.U8(0);
    out.U8(0);
    RecordHeader(out, 0, jpeg ? 0x46A : 0x6E0, jpeg ? 0xF01D : 0xF01E, blipLength);
    out.Bytes(uid);
    out.U8(0xFF); // tag

    if (!cfb->Write(out.Data()))
        return false;
    if (convert)
        return cfb->Write(converted);
    if (!cfb->Write(first))
        return false;

    for (qint64 copied = first.size(); copied < size;) {
        const QByteArray block = ReadBlock(file, copied, std::min(kBlockSize, size - copied));
        if (block.isNull())
            return unreadable(file.ErrorString());
        if (block.isEmpty())
            return changed();
        if (!cfb->Write(block))
            return false;
        copied += block.size();
    }
    return true;
}

} // namespace Word
