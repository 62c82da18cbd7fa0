#pragma once

#include <QString>

#include <stdexcept>

namespace Word {

// Raised by a document operation that cannot be carried out (a move past the start or end of the
// document, a merge without enough cells, ...). Word raises an automation error in these cases; the
// report job catches this error and abandons the report. The document is left as it was before the
// failed operation.
class OperationError : public std::runtime_error {
public:
    explicit OperationError(const QString& message);

    QString Message() const;
};

} // namespace Word
