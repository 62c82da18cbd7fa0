#include "wordfile/WriteFailure.h"

namespace Word {

QString WriteFailure::Message(const QString& reason) {
    if (reason.isEmpty()) {
        return QStringLiteral("The Word document could not be written.");
    }
    return QStringLiteral("The Word document could not be written: %1").arg(reason);
}

} // namespace Word
