#include "app/WindowSettings.h"

namespace App {

namespace {

const QString kMethodKey = QStringLiteral("mainWindow/method");
const QString kFolderKey = QStringLiteral("mainWindow/dataFolder");
const QString kPlacementKey = QStringLiteral("mainWindow/placement");

} // namespace

WindowSettings::WindowSettings() = default;

std::optional<Method> WindowSettings::LastMethod() const {
    return MethodInfo::FromCommandLineName(m_settings.value(kMethodKey).toString());
}

void WindowSettings::SetLastMethod(Method method) {
    m_settings.setValue(kMethodKey, QString::fromLatin1(MethodInfo::Of(method).commandLineName));
}

QString WindowSettings::LastDataFolder() const {
    return m_settings.value(kFolderKey).toString();
}

void WindowSettings::SetLastDataFolder(const QString& folder) {
    m_settings.setValue(kFolderKey, folder);
}

QByteArray WindowSettings::Placement() const {
    return m_settings.value(kPlacementKey).toByteArray();
}

void WindowSettings::SetPlacement(const QByteArray& placement) {
    m_settings.setValue(kPlacementKey, placement);
}

} // namespace App
