#include "template/PictureIntake.h"

#include "wordfile/PictureGate.h"

#include <QFile>
#include <QTemporaryDir>

namespace Template {

PictureIntake::PictureIntake() = default;
PictureIntake::~PictureIntake() = default;

PictureIntake::Checked PictureIntake::Check(const QString& path) {
    Checked checked;
    Word::Picture picture;
    switch (Word::PictureGate::Admit(path, &picture, &checked.message)) {
    case Word::PictureGate::Verdict::Missing:
        return checked;
    case Word::PictureGate::Verdict::Refused:
        checked.verdict = Verdict::Refused;
        return checked;
    case Word::PictureGate::Verdict::Accepted:
        break;
    }
    checked.verdict = Verdict::Accepted;
    checked.file = path;
    checked.size = picture.fileSize;
    checked.length = picture.EmbeddedBytes();
    checked.extension =
        picture.encoding == Word::Picture::Encoding::Jpeg ? QStringLiteral("jpeg") : QStringLiteral("png");
    if (picture.encoding != Word::Picture::Encoding::ConvertToPng) {
        return checked;
    }
    return Converted(picture);
}

PictureIntake::Checked PictureIntake::Converted(const Word::Picture& picture) {
    Checked checked;
    checked.verdict = Verdict::Refused;
    QByteArray png;
    if (!Word::PictureGate::ConvertToPng(picture, &png, &checked.message)) {
        return checked;
    }
    if (!m_converted) {
        m_converted = std::make_unique<QTemporaryDir>();
    }
    const QString target = m_converted->filePath(QStringLiteral("picture%1.png").arg(++m_convertedCount));
    QFile file(target);
    if (!m_converted->isValid() || !file.open(QIODevice::WriteOnly) || file.write(png) != png.size()) {
        checked.message = Word::PictureGate::UnreadableMessage(picture.sourcePath, file.errorString());
        return checked;
    }
    checked.verdict = Verdict::Accepted;
    checked.file = target;
    checked.size = png.size();
    checked.length = png.size();
    checked.extension = QStringLiteral("png");
    return checked;
}

} // namespace Template
