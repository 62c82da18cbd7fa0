#include "platform/LibraryFileName.h"

#include <QFile>

namespace Platform {

QByteArray LibraryFileName::Encode(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace Platform
