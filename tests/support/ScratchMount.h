#pragma once

#include <QString>

#include <memory>

// A file system mounted for one test (Linux, and only where the process may mount: root in a
// machine or container that allows it): a small tmpfs to fill up, or a read-only view of a folder.
// The mount goes with the object. When mounting is not allowed, the factory returns null and says
// why, so that the test can skip with that reason.
class ScratchMount {
public:
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    // A tmpfs of `bytes` (and at most `inodes` files and folders, 0 for the default) at `folder`,
    // which is created.
    static std::unique_ptr<ScratchMount> Tmpfs(const QString& folder, qint64 bytes, int inodes,
                                               QString* reason);
    // `source` seen read-only at `folder`, which is created.
    static std::unique_ptr<ScratchMount> ReadOnlyBind(const QString& source, const QString& folder,
                                                      QString* reason);

    // Remounts read-only (true) or writable (false).
    bool SetReadOnly(bool readOnly, QString* reason);
    const QString& Folder() const { return m_folder; }

private:
    ScratchMount(const QString& folder, bool bind) : m_folder(folder), m_bind(bind) {}

    QString m_folder;
    bool m_bind = false;
};
