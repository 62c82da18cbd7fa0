#pragma once

#include "template/ReportData.h"

#include <QString>

class CReport;

namespace Template {

class ReportNumber;

// A report written from a template: a .docx designed in a word processor whose {{...}} tags are
// filled from the basic information and the ticked records (the tag language is the table
// in TagRule). Everything else of the template is kept: parts that hold no tags are copied as they
// are stored. The report replaces `target` only once it is complete, as the built-in report does.
class TemplateReport {
public:
    // Returns whether the report was saved. On failure `report` holds the reason, one line; a fault
    // of the template reads "the template "NAME" cannot be used: ..." and names the tag and where it
    // stands. Missing or unusable pictures go to `report` as messages, as in the built-in report.
    static bool Write(const QString& templatePath, const QString& target, const ReportData& data,
                      CReport& report);

    // Checks the template without data: its package, its XML and every tag ({{列:...}} tags may name
    // any column). Empty when it can be used, else the reason as Write gives it.
    static QString Check(const QString& templatePath);

private:
    // Writes the filled report at `path`, which does not exist yet; throws TemplateError.
    static void Fill(const QString& templatePath, const QString& path, const ReportData& data,
                     CReport& report, ReportNumber& number);
};

} // namespace Template
