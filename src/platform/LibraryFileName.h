#pragma once

#include <QByteArray>
#include <QString>

namespace Platform {

// A file name for a C library that takes one as `const char*` (libzip's zip_open). Linux: the
// name's bytes in the file system (QFile::encodeName). Windows: UTF-8, which libzip turns into the
// UTF-16 name that Windows uses; the local code page could not hold every name (Chinese on a
// Western system, or any character outside it).
class LibraryFileName {
public:
    static QByteArray Encode(const QString& path);
};

} // namespace Platform
