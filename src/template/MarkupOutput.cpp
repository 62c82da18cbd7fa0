#include "template/MarkupOutput.h"

#include "template/TemplateError.h"
#include "wordfile/WriteFailure.h"

#include <QIODevice>

namespace Template {

MarkupOutput::MarkupOutput(QIODevice* device, const QString& partName)
    : m_writer(device), m_partName(partName) {}

void MarkupOutput::AppendMarkup(const QByteArray& markup) {
    m_writer.writeCharacters(QString()); // ends the start tag the writer may hold open
    QIODevice* device = m_writer.device();
    if (device->write(markup) != markup.size()) {
        throw TemplateError(
            Word::WriteFailure::Message(QStringLiteral("%1 (%2)").arg(m_partName, device->errorString())),
            TemplateError::Kind::Output);
    }
}

void MarkupOutput::Check() const {
    if (m_writer.hasError()) {
        throw TemplateError(Word::WriteFailure::Message(
                                QStringLiteral("%1 (%2)").arg(m_partName, m_writer.device()->errorString())),
                            TemplateError::Kind::Output);
    }
}

} // namespace Template
