#include "platform/FileReplacer.h"

#include <QDir>

#include <windows.h>

namespace Platform {

namespace {

std::wstring NativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

QString SystemReason(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString reason = length ? QString::fromWCharArray(text, int(length)).trimmed()
                            : QStringLiteral("system error %1").arg(code);
    LocalFree(text);
    return reason;
}

} // namespace

bool FileReplacer::FlushFile(const QString& path, QString* reason) {
    // FlushFileBuffers needs a handle with write access; others may read meanwhile.
    const HANDLE file = CreateFileW(NativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *reason = SystemReason(GetLastError());
        return false;
    }
    const bool flushed = FlushFileBuffers(file) != 0;
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!flushed)
        *reason = SystemReason(code);
    return flushed;
}

void FileReplacer::FlushFolder(const QString& folder) {
    // MOVEFILE_WRITE_THROUGH already waited for the rename to reach the disk.
    Q_UNUSED(folder);
}

bool FileReplacer::Replace(const QString& temporary, const QString& target, QString* reason) {
    // One step on NTFS; fails with a sharing violation or access denied while another program holds
    // the target open without FILE_SHARE_DELETE, and then both files stay as they are.
    if (MoveFileExW(NativePath(temporary).c_str(), NativePath(target).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *reason = SystemReason(GetLastError());
    return false;
}

} // namespace Platform
