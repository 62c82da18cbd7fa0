#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

class QIODevice;

namespace Template {

// Where a filled part is written: a QXmlStreamWriter on a device, and the one way to put markup
// rendered beforehand (a record row's unchanging cells, a drawing, the new relationships) among
// what the writer writes. The writer hands each piece to its device as it is written and keeps
// nothing back, so once it has ended the start tag it may hold open, whole elements can follow on
// the device.
class MarkupOutput {
public:
    // `partName` names the part in a failure's message.
    MarkupOutput(QIODevice* device, const QString& partName);

    QXmlStreamWriter& Xml() { return m_writer; }

    // Appends `markup`, one or more whole elements, at the writer's place. Throws TemplateError of
    // kind Output when the device refuses it.
    void AppendMarkup(const QByteArray& markup);

    // Throws TemplateError of kind Output when anything written so far failed.
    void Check() const;

private:
    QXmlStreamWriter m_writer;
    QString m_partName;
};

} // namespace Template
