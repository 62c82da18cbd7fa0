#pragma once

#include <QTemporaryFile>

class CReport;

namespace Template {

class ChartPlacer;
class PicturePlacer;
class ReportNumber;
class TemplateParts;
struct ReportData;

// The second step: the document's body filled, its record rows repeated and their pictures placed,
// its charts drawn.
// The body grows with the records, so it goes to a private temporary file, not into memory.
// Throws TemplateError.
class BodyFill {
public:
    // `tagCount` counts the tags of the whole template, across its parts.
    BodyFill(const TemplateParts& parts, const ReportData& data, PicturePlacer& pictures, ChartPlacer& charts,
             CReport& report, int* tagCount, ReportNumber& number);

    // The filled document part, complete and flushed.
    const QTemporaryFile& File() const { return m_file; }

private:
    QTemporaryFile m_file;
};

} // namespace Template
