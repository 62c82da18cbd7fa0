#include "app/TemplateChoice.h"

#include "baseinfo/IUserPrompts.h"
#include "template/TemplateReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace App {

TemplateChoice::TemplateChoice(IUserPrompts* prompts, QSettings* settings)
    : m_prompts(prompts), m_settings(settings) {
    const QString stored =
        m_settings != nullptr ? m_settings->value(QLatin1String(kSettingsKey)).toString() : QString();
    if (!stored.isEmpty() && QFileInfo(stored).isFile()) {
        m_path = stored;
    }
}

QString TemplateChoice::TitleSuffix() const {
    return IsTemplate() ? QStringLiteral(" - 报告模板：") + QFileInfo(m_path).fileName() : QString();
}

QString TemplateChoice::ShippedFolder() {
    const QString folder =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zolt/templates");
    return QFileInfo(folder).isDir() ? QDir::cleanPath(folder) : QString();
}

bool TemplateChoice::Choose(QWidget* owner) {
    IUserPrompts::OpenRequest request;
    request.title = QStringLiteral("选择报告模板");
    request.folder = IsTemplate() ? QFileInfo(m_path).absolutePath() : ShippedFolder();
    request.filterText = QStringLiteral("Word模板（*.docx）");
    request.patterns = {QStringLiteral("*.docx")};
    const QString chosen = m_prompts->ChooseOpenFile(owner, request);
    if (chosen.isEmpty()) {
        return false;
    }
    const QString problem = Template::TemplateReport::Check(chosen);
    if (!problem.isEmpty()) {
        m_prompts->Message(owner, problem, QStringLiteral("错误"), IUserPrompts::Icon::Error);
        return false;
    }
    m_path = chosen;
    Store();
    return true;
}

void TemplateChoice::UseBuiltin() {
    m_path.clear();
    Store();
}

void TemplateChoice::Store() {
    if (m_settings == nullptr) {
        return;
    }
    m_settings->setValue(QLatin1String(kSettingsKey), m_path);
    m_settings->sync();
}

} // namespace App
