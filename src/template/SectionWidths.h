#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace Template {

// The width of the text in each section of the document part, for a chart as wide as the text: the
// page width less the left and right margins and the gutter, one column's width in a section of
// several. Sizes may be twips or carry a unit ("21cm"); a section that states none has Word's A4
// page with 3.17 cm margins, and widths outside 1 inch to Word's largest page are brought into it.
class SectionWidths {
public:
    // Reads every w:sectPr of the part, which must be well-formed (it has been checked).
    explicit SectionWidths(const QByteArray& documentXml);

    // The width in points of the section that holds the element a QXmlStreamReader over the same
    // part finds at `offset` (characterOffset): the first section that ends after it, else the last.
    float At(qint64 offset) const;

private:
    std::vector<std::pair<qint64, float>> m_sections; // where each w:sectPr starts, its text width
};

} // namespace Template
