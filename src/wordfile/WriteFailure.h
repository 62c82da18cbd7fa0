#pragma once

#include <QString>

namespace Word {

// The one wording the user reads when a report file could not be written, whichever writer or step
// failed (the built-in writers, the atomic save, a template's package).
class WriteFailure {
public:
    // "The Word document could not be written: REASON"; without a reason, the sentence alone.
    static QString Message(const QString& reason = QString());
};

} // namespace Word
