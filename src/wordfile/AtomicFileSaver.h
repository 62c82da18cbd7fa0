#pragma once

#include "wordfile/IDocumentWriter.h"

#include <QFileInfo>
#include <QString>

#include <functional>

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

    // Writes the complete file at `path` (which does not exist yet); false with a reason for the
    // user in `error`. A partial file may be left: the saver removes it.
    using WriteStep = std::function<bool(const QString& path, QString* error)>;

    // Returns false with a message for the user in `error`.
    bool Save(const Document& document, const QString& target, IDocumentWriter& writer, QString* error);
    // The same for any file that one step writes whole, such as a filled template.
    bool Save(const QString& target, const WriteStep& write, QString* error);

    void SetReplaceTimeout(int milliseconds) { m_replaceTimeoutMs = milliseconds; }

protected:
    // Replaces `target` by `temporary` in one step (overridable to simulate a held file in tests).
    virtual bool ReplaceTarget(const QString& temporary, const QString& target, QString* reason);

private:
    // A free name for the temporary file in `folder`, beside the target; empty on failure.
    static QString ReserveTemporary(const QString& folder, const QString& targetName, QString* error);
    // Flushes `temporary`, keeps the old target's permissions and renames it over the target.
    bool Replace(const QString& temporary, const QFileInfo& targetInfo, QString* error);

    int m_replaceTimeoutMs = 5000;
};

} // namespace Word
