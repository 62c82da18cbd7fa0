#pragma once

#include <QString>

#include <exception>

namespace Template {

// Why a template cannot be filled: one line for the user, naming the tag and where it stands.
// Thrown inside the module only; TemplateReport turns it into the job's failure.
class TemplateError : public std::exception {
public:
    // Template: the template is at fault. Output: the report could not be written. Cancelled: the
    // job's owner gave it up.
    enum class Kind { Template, Output, Cancelled };

    explicit TemplateError(QString message, Kind kind = Kind::Template)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()), m_kind(kind) {}

    // The template's own text as a message may quote it: about Limits::kQuoted characters at most
    // (then "…"), with control and bidirectional-formatting characters shown as \uXXXX.
    static QString Quote(QStringView text);

    const QString& Message() const { return m_message; }
    Kind GetKind() const { return m_kind; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
    Kind m_kind;
};

} // namespace Template
