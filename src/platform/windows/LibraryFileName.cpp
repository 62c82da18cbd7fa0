#include "platform/LibraryFileName.h"

#include <QDir>

namespace Platform {

QByteArray LibraryFileName::Encode(const QString& path) {
    return QDir::toNativeSeparators(path).toUtf8();
}

} // namespace Platform
