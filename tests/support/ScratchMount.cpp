#include "support/ScratchMount.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

namespace {

#ifdef Q_OS_LINUX
QString Failure(const char* what) {
    return QStringLiteral("%1 is not allowed here (%2); run the tests as root where mounting is permitted")
        .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}
#endif

} // namespace

ScratchMount::~ScratchMount() {
#ifdef Q_OS_LINUX
    // Detached, so that a file a failed test left open does not keep the mount.
    ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
#endif
}

std::unique_ptr<ScratchMount> ScratchMount::Tmpfs(const QString& folder, qint64 bytes, int inodes,
                                                  QString* reason) {
#ifdef Q_OS_LINUX
    if (!QDir().mkpath(folder)) {
        *reason = QStringLiteral("cannot create %1").arg(folder);
        return nullptr;
    }
    QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (inodes > 0)
        options += ",nr_inodes=" + QByteArray::number(inodes);
    if (::mount("zolt-test", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0) {
        *reason = Failure("mounting a tmpfs");
        return nullptr;
    }
    return std::unique_ptr<ScratchMount>(new ScratchMount(folder, false));
#else
    Q_UNUSED(folder);
    Q_UNUSED(bytes);
    Q_UNUSED(inodes);
    *reason = QStringLiteral("mounting is only tried on Linux");
    return nullptr;
#endif
}

std::unique_ptr<ScratchMount> ScratchMount::ReadOnlyBind(const QString& source, const QString& folder,
                                                         QString* reason) {
#ifdef Q_OS_LINUX
    if (!QDir().mkpath(folder)) {
        *reason = QStringLiteral("cannot create %1").arg(folder);
        return nullptr;
    }
    if (::mount(QFile::encodeName(source).constData(), QFile::encodeName(folder).constData(), nullptr,
                MS_BIND, nullptr) != 0) {
        *reason = Failure("a bind mount");
        return nullptr;
    }
    std::unique_ptr<ScratchMount> mount(new ScratchMount(folder, true));
    if (!mount->SetReadOnly(true, reason))
        return nullptr;
    return mount;
#else
    Q_UNUSED(source);
    Q_UNUSED(folder);
    *reason = QStringLiteral("mounting is only tried on Linux");
    return nullptr;
#endif
}

bool ScratchMount::SetReadOnly(bool readOnly, QString* reason) {
#ifdef Q_OS_LINUX
    unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    if (m_bind)
        flags |= MS_BIND;
    if (::mount(nullptr, QFile::encodeName(m_folder).constData(), nullptr, flags, nullptr) != 0) {
        *reason = Failure(readOnly ? "remounting read-only" : "remounting writable");
        return false;
    }
    return true;
#else
    Q_UNUSED(readOnly);
    *reason = QStringLiteral("mounting is only tried on Linux");
    return false;
#endif
}
