#include "wordfile/AtomicFileSaver.h"

#include "wordfile/WriteFailure.h"

#include "platform/FileReplacer.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

namespace Word {

namespace {

// A save cut off (power loss, the process killed) leaves its temporary file behind, hidden beside the
// target. The next save of that target removes those that no save can still be writing: a save
// takes seconds and keeps its file's time current, so a file untouched for an hour is abandoned.
void RemoveAbandonedTemporaries(const QString& folder, const QString& targetName) {
    const QString prefix = QStringLiteral(".~") + targetName + QLatin1Char('.');
    const QDateTime abandonedBefore = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        // The temporary names end in six characters of QTemporaryFile's template.
        if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
            continue;
        const QFileInfo info = entries.fileInfo();
        if (info.isFile() && !info.isSymLink() && info.lastModified().toUTC() < abandonedBefore)
            QFile::remove(info.absoluteFilePath());
    }
}

} // namespace

bool AtomicFileSaver::ReplaceTarget(const QString& temporary, const QString& target, QString* reason) {
    return Platform::FileReplacer::Replace(temporary, target, reason);
}

bool AtomicFileSaver::Save(const Document& document, const QString& target, IDocumentWriter& writer,
                           QString* error) {
    return Save(
        target,
        [&](const QString& path, QString* reason) { return writer.WriteFile(document, path, reason); },
        error);
}

QString AtomicFileSaver::ReserveTemporary(const QString& folder, const QString& targetName, QString* error) {
    QTemporaryFile reserve(folder + QStringLiteral("/.~") + targetName + QStringLiteral(".XXXXXX"));
    reserve.setAutoRemove(false);
    // Removed through the QTemporaryFile: its close() keeps the handle open, and Windows does not
    // delete a file through another name while that handle is open without delete sharing.
    const bool reserved = reserve.open();
    const QString temporary = reserve.fileName();
    if (!reserved || !reserve.remove()) {
        *error = QStringLiteral("The Word document cannot be saved in the folder \"%1\": %2")
                     .arg(QDir::toNativeSeparators(folder), reserve.errorString());
        return QString();
    }
    return temporary;
}

bool AtomicFileSaver::Save(const QString& target, const WriteStep& write, QString* error) {
    const QFileInfo targetInfo(target);
    const QString shown = QDir::toNativeSeparators(targetInfo.absoluteFilePath());
    if (targetInfo.fileName().isEmpty()) {
        *error = QStringLiteral("The Word document cannot be saved: \"%1\" names no file.").arg(shown);
        return false;
    }
    if (targetInfo.isDir()) {
        *error = QStringLiteral("The Word document cannot be saved: \"%1\" is a folder.").arg(shown);
        return false;
    }
    const QString folder = targetInfo.absolutePath();
    if (!QFileInfo(folder).isDir()) {
        *error = QStringLiteral("The Word document cannot be saved: the folder \"%1\" does not exist.")
                     .arg(QDir::toNativeSeparators(folder));
        return false;
    }

    RemoveAbandonedTemporaries(folder, targetInfo.fileName());

    // Reserve a name beside the target; the writing step wants a path that does not exist yet.
    const QString temporary = ReserveTemporary(folder, targetInfo.fileName(), error);
    if (temporary.isEmpty()) {
        return false;
    }
    QString reason;
    if (!write(temporary, &reason)) {
        QFile::remove(temporary);
        *error = reason.isEmpty() ? WriteFailure::Message() : reason;
        return false;
    }
    return Replace(temporary, targetInfo, error);
}

bool AtomicFileSaver::Replace(const QString& temporary, const QFileInfo& targetInfo, QString* error) {
    QString reason;
    if (!Platform::FileReplacer::FlushFile(temporary, &reason)) {
        QFile::remove(temporary);
        *error = WriteFailure::Message(reason);
        return false;
    }

    // A report that replaces an older one keeps the older file's permission bits (someone may have
    // made it read-only for the group, or readable by others on purpose).
    const QString target = targetInfo.filePath();
    if (targetInfo.exists() && !QFile::setPermissions(temporary, QFile::permissions(target))) {
        QFile::remove(temporary);
        *error = WriteFailure::Message(QStringLiteral("the permissions of \"%1\" cannot be kept.")
                                           .arg(QDir::toNativeSeparators(targetInfo.absoluteFilePath())));
        return false;
    }

    // Another program may hold the old file for a moment; wait between tries rather than spin.
    QDeadlineTimer deadline(m_replaceTimeoutMs);
    while (!ReplaceTarget(temporary, target, &reason)) {
        if (deadline.hasExpired()) {
            QFile::remove(temporary);
            *error = QStringLiteral("This user has no right to delete the Word document of the same name.");
            return false;
        }
        QThread::msleep(100);
    }
    Platform::FileReplacer::FlushFolder(targetInfo.absolutePath());
    return true;
}

} // namespace Word
