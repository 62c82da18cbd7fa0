#pragma once

#include <QByteArray>
#include <QString>

#include <map>

class CReport;

namespace Template {

class ReportNumber;
class TemplateParts;
struct ReportData;

// The third step: the headers and footers filled. Each is read one at a time and held in memory as
// it becomes (they are small and hold no record rows). Throws TemplateError.
class HeaderFooterFill {
public:
    HeaderFooterFill(const TemplateParts& parts, const ReportData& data, CReport& report, int* tagCount,
                     ReportNumber& number);

    // The filled parts by their names in the template.
    std::map<QString, QByteArray> TakeParts() { return std::move(m_parts); }

private:
    std::map<QString, QByteArray> m_parts;
};

} // namespace Template
