#pragma once

#include <QString>

class IUserPrompts;
class QSettings;
class QWidget;

namespace App {

// Which report the window writes: the built-in report, or one filled from a template the user chose.
// The choice is remembered in the program's settings; a template is checked when it is chosen, so
// that a broken one is refused at once with its reason rather than after the report's questions.
class TemplateChoice {
public:
    static constexpr const char* kSettingsKey = "report/template";

    // Reads the remembered choice; a template file that no longer exists means the built-in report.
    // Without settings (null) nothing is remembered.
    TemplateChoice(IUserPrompts* prompts, QSettings* settings);

    bool IsTemplate() const { return !m_path.isEmpty(); }
    const QString& Path() const { return m_path; }
    // What the window shows: empty for the built-in report, else " - 报告模板：NAME".
    QString TitleSuffix() const;

    // "报告模板…": asks for a .docx template. True when a usable one was chosen; a refused one is
    // explained in an error box and the previous choice stays.
    bool Choose(QWidget* owner);
    // "内置报告".
    void UseBuiltin();

    // The shipped templates' folder beside the installed program, or empty.
    static QString ShippedFolder();

private:
    void Store();

    IUserPrompts* m_prompts;
    QSettings* m_settings;
    QString m_path;
};

} // namespace App
