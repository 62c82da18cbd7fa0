#include "CopyLimit.h"

#include "data/CDataSetLayout.h"
#include "data/CNkSQLiteOper.h"
#include "data/Utf8ToWide.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace {

constexpr size_t kBlock = 1 << 20;

// errno of the call that failed; a write that wrote nothing leaves it unset.
int FailureCode() {
    return errno != 0 ? errno : EIO;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? EIO : errno;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

int SyncFolder(const QString& folder) {
    const int fd = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return FailureCode();
    }
    const int code = fsync(fd) == 0 ? 0 : FailureCode();
    close(fd);
    return code;
}

} // namespace

bool CopyLimit::PictureFiles(const QString& dataSet, int method, int records, QStringList* files,
                             QString* error) {
    Common::CNkSQLiteOper db;
    char** table = nullptr;
    int rows = 0;
    int columns = 0;
    if (!db.OpenReadOnly(CDataSetLayout::DatabasePath(dataSet)) ||
        !db.QueryTable(CDataSetLayout::RecordTable(method), &table, &rows, &columns)) {
        *error = QStringLiteral("cannot read the record table of %1").arg(dataSet);
        return false;
    }
    std::unique_ptr<char*, void (*)(char**)> owner(table, sqlite3_free_table);
    if (rows < records) {
        *error = QStringLiteral("%1 has %2 records, not %3").arg(dataSet).arg(rows).arg(records);
        return false;
    }
    const QString folder = CDataSetLayout::PictureFolder(dataSet, method);
    files->clear();
    for (int row = 1; row <= records; ++row) {
        const auto cell = [&](int column) {
            return column >= 0 && column < columns ? Utf8ToWide(table[qsizetype(row) * columns + column])
                                                   : QString();
        };
        const CDataSetLayout::RecordRefs refs = CDataSetLayout::GatherRecord(method, folder, cell);
        *files << refs.strPicture1 << refs.strPicture2 << refs.strPicture3;
    }
    return true;
}

int CopyLimit::Copy(const QStringList& files, const QString& target, qint64 bytes, bool durable) {
    const QByteArray targetName = QFile::encodeName(target);
    QByteArray written = targetName;
    int out = -1;
    if (durable) {
        written += ".XXXXXX";
        out = mkostemp(written.data(), O_CLOEXEC);
    } else {
        out = open(targetName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    if (out < 0) {
        return FailureCode();
    }
    const int code = WriteCopy(out, files, bytes, durable);
    if (code != 0) {
        if (durable) {
            unlink(written.constData());
        }
        return code;
    }
    if (durable) {
        if (rename(written.constData(), targetName.constData()) != 0) {
            const int failure = FailureCode();
            unlink(written.constData());
            return failure;
        }
        return SyncFolder(QFileInfo(target).absolutePath());
    }
    return 0;
}

int CopyLimit::WriteCopy(int out, const QStringList& files, qint64 bytes, bool durable) {
    // Blocks are filled from as many files as fit, so that writes are as few as for one big file.
    std::vector<char> block(kBlock);
    size_t filled = 0;
    qint64 total = 0;
    const auto flush = [&] {
        const bool ok = WriteAll(out, block.data(), filled);
        total += qint64(filled);
        filled = 0;
        return ok;
    };
    for (const QString& file : files) {
        const int in = open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            const int code = FailureCode();
            close(out);
            return code;
        }
        for (;;) {
            if (filled == block.size() && !flush()) {
                const int code = FailureCode();
                close(in);
                close(out);
                return code;
            }
            const ssize_t count = read(in, block.data() + filled, block.size() - filled);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                const int code = FailureCode();
                close(in);
                close(out);
                return code;
            }
            if (count == 0) {
                break;
            }
            filled += size_t(count);
        }
        close(in);
    }
    while (total + qint64(filled) < bytes) {
        if (filled == block.size() && !flush()) {
            const int code = FailureCode();
            close(out);
            return code;
        }
        const size_t zeros = std::min<qint64>(qint64(block.size() - filled), bytes - total - qint64(filled));
        std::fill_n(block.data() + filled, zeros, '\0');
        filled += zeros;
    }
    if (!flush() || (durable && fsync(out) != 0)) {
        const int code = FailureCode();
        close(out);
        return code;
    }
    return close(out) == 0 ? 0 : FailureCode();
}

int CopyLimit::Check(const QStringList& files) {
    std::vector<char> head(64 * 1024);
    for (const QString& file : files) {
        const QByteArray name = QFile::encodeName(file);
        struct stat status {};
        if (stat(name.constData(), &status) != 0) {
            return FailureCode();
        }
        const int in = open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            return FailureCode();
        }
        const size_t wanted = std::min(head.size(), size_t(status.st_size));
        const ssize_t count = pread(in, head.data(), wanted, 0);
        const int code = count < 0 ? FailureCode() : 0;
        close(in);
        if (code != 0) {
            return code;
        }
    }
    return 0;
}
