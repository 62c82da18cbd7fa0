#include "doc/DocPictureWriter.h"

#include "doc/CfbWriter.h"
#include "doc/DocByteWriter.h"
#include "wordfile/PictureFile.h"
#include "wordfile/PictureGate.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace Word {

namespace {

constexpr qint64 kBlockSize = 256 * 1024; // a larger picture's bytes after the first read
constexpr std::uint32_t kPicfSize = 0x44;
constexpr std::uint32_t kMmShape = 0x0064; // the picture is an OfficeArt shape
constexpr std::uint32_t kShapeContainerSize = 8 + 16 + 26 + 12;
constexpr std::uint32_t kFbseBodySize = 36;
constexpr std::uint32_t kBlipPrefixSize = 17; // uid and tag in front of the file's bytes

constexpr std::uint32_t kPictureFrame = 75; // msosptPictureFrame
constexpr std::uint32_t kBlipPng = 6, kBlipJpeg = 5;

int GoalTwips(float points, int pixels) {
    // The shown size in twips; a picture without one shows at 96 dpi.
    const double twips = points > 0.0f ? double(points) * 20.0 : double(pixels) * 15.0;
    return std::clamp(static_cast<int>(std::lround(twips)), 1, 0x7FFF);
}

void RecordHeader(DocByteWriter& out, std::uint32_t version, std::uint32_t instance, std::uint32_t type,
                  std::uint32_t length) {
    out.U16(version | (instance << 4));
    out.U16(type);
    out.U32(length);
}

void WritePicf(DocByteWriter& out, const Picture& picture, std::uint32_t total) {
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
}

void WriteShape(DocByteWriter& out, std::uint32_t shapeId) {
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
}

void WriteBlipStoreEntry(DocByteWriter& out, const QByteArray& uid, bool jpeg, std::uint32_t blipLength) {
    // OfficeArtFBSE with the blip inside ([MS-ODRAW] 2.2.32, 2.2.46 / 2.2.47).
    const std::uint32_t blipType = jpeg ? kBlipJpeg : kBlipPng;
    RecordHeader(out, 2, blipType, 0xF007, kFbseBodySize + 8 + blipLength);
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
}

} // namespace

bool DocPictureWriter::Open() {
    bool asIs = false;
    if (!PictureGate::OpenAdmitted(m_picture, &m_file, kWholeReadLimit, &m_first, &asIs, &m_error))
        return false;
    m_convert = !asIs;
    if (m_convert) {
        m_file.Close();
        m_first.clear();
        // A decoded picture can take far more memory than its file: pictures prepared on two threads
        // are decoded one at a time.
        static std::mutex decoding;
        std::lock_guard lock(decoding);
        if (!PictureGate::ConvertToPng(m_picture, &m_converted, &m_error))
            return false;
    }
    m_size = m_convert ? m_converted.size() : m_picture.EmbeddedBytes();
    return PictureGate::FitsDocFormat(m_picture, m_size, &m_error);
}

// The blip's id is the MD4 digest of its bytes, as Word computes it. Bytes beyond the first read are
// hashed block by block here and read again when they are copied.
bool DocPictureWriter::ComputeId() {
    QCryptographicHash md4(QCryptographicHash::Md4);
    if (m_convert) {
        md4.addData(m_converted);
    } else {
        md4.addData(m_first);
        QByteArray block;
        for (qint64 hashed = m_first.size(); hashed < m_size; hashed += block.size()) {
            if (!PictureGate::ReadAdmitted(m_picture, &m_file, hashed, std::min(kBlockSize, m_size - hashed),
                                           &block, &m_error))
                return false;
            md4.addData(block);
        }
    }
    m_uid = md4.result();
    return true;
}

bool DocPictureWriter::CopyBlip(CfbWriter* cfb) {
    if (m_convert)
        return cfb->Write(m_converted);
    if (!cfb->Write(m_first))
        return false;
    QByteArray block;
    for (qint64 copied = m_first.size(); copied < m_size; copied += block.size()) {
        if (!PictureGate::ReadAdmitted(m_picture, &m_file, copied, std::min(kBlockSize, m_size - copied),
                                       &block, &m_error) ||
            !cfb->Write(block))
            return false;
    }
    return true;
}

bool DocPictureWriter::Prepare() {
    return Open() && ComputeId();
}

bool DocPictureWriter::Write(std::uint32_t shapeId, CfbWriter* cfb) {
    const bool jpeg = !m_convert && m_picture.encoding == Picture::Encoding::Jpeg;
    const std::uint32_t blipLength = kBlipPrefixSize + static_cast<std::uint32_t>(m_size);
    const std::uint32_t total = kPicfSize + kShapeContainerSize + 8 + kFbseBodySize + 8 + blipLength;
    DocByteWriter out(256);
    WritePicf(out, m_picture, total);
    WriteShape(out, shapeId);
    WriteBlipStoreEntry(out, m_uid, jpeg, blipLength);
    const bool written = cfb->Write(out.Data()) && CopyBlip(cfb);
    m_file.Close();
    return written;
}

} // namespace Word
