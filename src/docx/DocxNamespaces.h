#pragma once

#include <QString>

namespace Word::Ns {

// XML namespaces of the Office Open XML parts the .docx writer produces.
inline const QString W = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
inline const QString R =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
inline const QString WP =
    QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");
inline const QString A = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main");
inline const QString PIC = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture");
inline const QString PackageRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
inline const QString ContentTypes =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");

} // namespace Word::Ns
