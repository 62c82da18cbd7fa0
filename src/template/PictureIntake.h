#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

namespace Word {
struct Picture;
}

namespace Template {

// Takes a record's picture file in for the template report: asks Word::PictureGate (src/wordfile)
// whether it may go into a document, with the built-in report's checks and messages so that both
// reports treat a picture alike, and names the bytes to store (the file, or its PNG conversion).
class PictureIntake {
public:
    enum class Verdict { Accepted, Missing, Refused };

    struct Checked {
        Verdict verdict = Verdict::Missing;
        QString message;   // for the user when not accepted
        QString file;      // the file to store: the picture itself, or its PNG conversion
        qint64 size = 0;   // of `file`
        qint64 length = 0; // its leading bytes that make the picture (what follows is left out)
        QString extension; // "png" or "jpeg"
    };

    PictureIntake();
    ~PictureIntake();

    // Checks one picture; other formats than PNG and JPEG are converted to PNG in a private folder
    // that lives as long as the gate.
    Checked Check(const QString& path);

private:
    Checked Converted(const Word::Picture& picture);

    std::unique_ptr<QTemporaryDir> m_converted;
    int m_convertedCount = 0;
};

} // namespace Template
