// Arbitrary bytes as a picture file of a record, through the picture gate: a file that is not a
// readable image is refused with a message and leaves the document as it was; an accepted one goes
// into both writers unchanged up to its end marker (PNG, JPEG) or converted to a PNG that decodes,
// and both documents stay sound.
//
// Input: the first byte chooses the file name's extension; the rest is the file.

#include "DocumentChecker.h"
#include "FuzzWorkspace.h"
#include "support/DocReader.h"
#include "support/DocxPackage.h"
#include "word/CWordOper.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <variant>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

int PictureCount(const Word::Document& document) {
    int count = 0;
    for (const Word::BodyElement& element : document.body) {
        if (const auto* table = std::get_if<Word::Table>(&element)) {
            for (const Word::TableRow& row : table->rows)
                for (const Word::TableCell& cell : row.cells)
                    for (const Word::Paragraph& paragraph : cell.paragraphs)
                        for (const Word::Run& run : paragraph.runs)
                            count += run.IsPicture() ? 1 : 0;
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 256 * 1024)
        return 0;
    FuzzWorkspace::EnsureApplication();
    static const char* const kExtensions[] = {".png", ".jpg", ".bmp", ".gif", ""};
    const QString picture =
        FuzzWorkspace::Folder() + QStringLiteral("/picture") + QString::fromLatin1(kExtensions[data[0] % 5]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    FuzzWorkspace::Require(WriteFile(picture, bytes), "writing the picture");

    CWordOper word;
    QStringList messages;
    word.SetMessageHandler([&](const QString& message) { messages << message; });
    word.Start();
    word.AddTable(1, 4);
    word.MoveRight();
    const bool inserted = word.InsertPicture(picture, 140.0f, 105.0f);
    const Word::Document& document = word.GetDocument();
    if (!inserted) {
        FuzzWorkspace::Require(!messages.isEmpty(), "a picture refused without a message");
        FuzzWorkspace::Require(document.pictures.empty() && PictureCount(document) == 0,
                               "a refused picture is in the document");
    } else {
        FuzzWorkspace::Require(messages.isEmpty(), "an accepted picture with a message",
                               messages.join(u'\n'));
        FuzzWorkspace::Require(document.pictures.size() == 1 && PictureCount(document) == 1,
                               "the accepted picture is not in the document once");
        // A PNG or JPEG goes in as it is, with the size the probe read from its header: Qt must read
        // the same. (Other formats are decoded; their size is checked on the converted picture, as
        // a GIF's header may name a larger screen than its frames.)
        const Word::Picture& probed = document.pictures.front();
        QImageReader reader(picture);
        const QSize size = reader.size();
        FuzzWorkspace::Require(probed.encoding == Word::Picture::Encoding::ConvertToPng || !size.isValid() ||
                                   size == QSize(probed.pixelWidth, probed.pixelHeight),
                               "the probed size differs from the image's",
                               QStringLiteral("%1x%2 vs %3x%4")
                                   .arg(probed.pixelWidth)
                                   .arg(probed.pixelHeight)
                                   .arg(size.width())
                                   .arg(size.height()));
    }
    word.MoveRight();
    word.TypeText(QStringLiteral("after"));

    const QString docx = FuzzWorkspace::Folder() + QStringLiteral("/picture-report.docx");
    const QString doc = FuzzWorkspace::Folder() + QStringLiteral("/picture-report.doc");
    FuzzWorkspace::Require(word.SaveAs(docx), "saving the .docx", messages.join(u'\n'));
    FuzzWorkspace::Require(word.SaveAs(doc), "saving the .doc", messages.join(u'\n'));
    const QString docxProblem = DocumentChecker::CheckDocx(docx);
    FuzzWorkspace::Require(docxProblem.isEmpty(), "the .docx", docxProblem);
    const QString docProblem = DocumentChecker::CheckDoc(doc);
    FuzzWorkspace::Require(docProblem.isEmpty(), "the .doc", docProblem);

    // The embedded bytes: the file itself, or a PNG that decodes to the image's size.
    DocxPackage package(docx);
    QStringList media;
    for (const QString& name : package.EntryNames())
        if (name.startsWith(QLatin1String("word/media/")))
            media << name;
    DocReader inspector;
    inspector.Load(doc);
    FuzzWorkspace::Require(media.size() == (inserted ? 1 : 0) &&
                               int(inspector.Pictures().size()) == (inserted ? 1 : 0),
                           "pictures in the documents", media.join(u','));
    if (inserted) {
        const Word::Picture& probed = document.pictures.front();
        const QByteArray docxBytes = package.Read(media.first());
        const QByteArray docBytes = inspector.Pictures().front().blipData;
        if (probed.encoding == Word::Picture::Encoding::ConvertToPng) {
            const QImage converted = QImage::fromData(docxBytes, "PNG");
            FuzzWorkspace::Require(!converted.isNull() &&
                                       converted.size() == QSize(probed.pixelWidth, probed.pixelHeight),
                                   "the converted picture");
            FuzzWorkspace::Require(docBytes == docxBytes, "the .doc holds other bytes than the .docx");
        } else {
            // Up to the end marker: what follows it is not part of the picture.
            const QByteArray kept = bytes.left(qsizetype(probed.embedSize));
            FuzzWorkspace::Require(probed.embedSize > 0 && probed.embedSize <= bytes.size(),
                                   "the kept length of the picture");
            FuzzWorkspace::Require(docxBytes == kept, "the .docx changed the picture's bytes");
            FuzzWorkspace::Require(docBytes == kept, "the .doc changed the picture's bytes");
            FuzzWorkspace::Require(!QImage::fromData(kept).isNull() || QImage::fromData(bytes).isNull(),
                                   "the kept bytes do not decode where the file does");
        }
    }
    QFile::remove(docx);
    QFile::remove(doc);
    QFile::remove(picture);
    return 0;
}
