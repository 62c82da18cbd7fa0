#pragma once

#include <QString>

namespace Platform {

// The file-system steps of a durable save, as each platform offers them: the new file's bytes forced
// to the disk, then one step that puts it in the old file's place, so that a crash leaves either the
// old file or the new one, never neither.
class FileReplacer {
public:
    // Forces the file's bytes to the disk. False with the system's reason.
    static bool FlushFile(const QString& path, QString* reason);
    // Makes a rename in `folder` durable where the platform needs that asked for (Linux: fsync of the
    // folder); a failure only loses durability, not data, so it is not reported.
    static void FlushFolder(const QString& folder);
    // Puts `temporary` in `target`'s place in one step, replacing an existing target. Fails, leaving
    // both files as they were, while another program holds the target open without letting it be
    // replaced (Windows); the caller decides how long to retry.
    static bool Replace(const QString& temporary, const QString& target, QString* reason);
};

} // namespace Platform
