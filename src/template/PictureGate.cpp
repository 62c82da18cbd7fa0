#include "template/PictureGate.h"

#include "word/PictureProbe.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

namespace Template {

PictureGate::PictureGate() = default;
PictureGate::~PictureGate() = default;

PictureGate::Checked PictureGate::Check(const QString& path) {
    Checked checked;
    Word::Picture picture;
    QString error;
    switch (Word::PictureProbe::Probe(path, &picture, &error)) {
    case Word::PictureProbe::Result::Missing:
        checked.message = QStringLiteral("The image to be inserted does not exist!");
        return checked;
    case Word::PictureProbe::Result::Refused:
        checked.verdict = Verdict::Refused;
        checked.message = error;
        return checked;
    case Word::PictureProbe::Result::Accepted:
        break;
    }
    checked.verdict = Verdict::Accepted;
    checked.file = path;
    checked.size = picture.fileSize;
    checked.extension =
        picture.encoding == Word::Picture::Encoding::Jpeg ? QStringLiteral("jpeg") : QStringLiteral("png");
    if (picture.encoding != Word::Picture::Encoding::ConvertToPng) {
        return checked;
    }
    if (!m_converted) {
        m_converted = std::make_unique<QTemporaryDir>();
    }
    QImageReader reader(path);
    const QImage image = reader.read();
    const QString target = m_converted->filePath(QStringLiteral("picture%1.png").arg(++m_convertedCount));
    if (!m_converted->isValid() || image.isNull() || !image.save(target, "PNG")) {
        checked.verdict = Verdict::Refused;
        checked.message = QStringLiteral("The image \"%1\" could not be converted to PNG.")
                              .arg(QDir::toNativeSeparators(path));
        return checked;
    }
    checked.file = target;
    checked.size = QFileInfo(target).size();
    return checked;
}

} // namespace Template
