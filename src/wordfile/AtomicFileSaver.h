#pragma once

#include "wordfile/IDocumentWriter.h"

#include <QString>

namespace Word {

// Saves a document without ever destroying the old file before the new one is complete: the writer
// writes a temporary file in the target's folder, which is flushed to disk and then renamed over the
// target. When the target cannot be replaced (another program holds it), the rename is retried for
// about five seconds; then the old file stays and the user is told. No other process is ever ended to
// free the file: that would lose its unsaved work. On every failure the temporary file is removed, and
// temporary files that a save cut off long ago left behind go with the next save of that target.
class AtomicFileSaver {
public:
    virtual ~AtomicFileSaver() = default;

    // Returns false with a message for the user in `error`.
    bool Save(const Document& document, const QString& target, IDocumentWriter& writer, QString* error);

    void SetReplaceTimeout(int milliseconds) { m_replaceTimeoutMs = milliseconds; }

protected:
    // Replaces `target` by `temporary` in one step (overridable to simulate a held file in tests).
    virtual bool ReplaceTarget(const QString& temporary, const QString& target, QString* reason);

private:
    int m_replaceTimeoutMs = 5000;
};

} // namespace Word
