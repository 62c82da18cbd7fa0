#include "word/OperationError.h"

namespace Word {

OperationError::OperationError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString OperationError::Message() const {
    return QString::fromStdString(what());
}

} // namespace Word
