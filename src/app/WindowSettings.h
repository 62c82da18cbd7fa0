#pragma once

#include "data/Method.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <optional>

namespace App {

// What the main window remembers between runs, under the program's settings key (the
// application's organisation and name): the last method, the last data folder and the window's
// placement.
class WindowSettings {
public:
    WindowSettings();

    std::optional<Method> LastMethod() const;
    void SetLastMethod(Method method);
    // Offered as the folder chooser's start; never opened by itself.
    QString LastDataFolder() const;
    void SetLastDataFolder(const QString& folder);
    // QWidget::saveGeometry: the normal placement, and whether the window was maximised.
    QByteArray Placement() const;
    void SetPlacement(const QByteArray& placement);

    // The same store, for what other parts of the window remember (the report template).
    QSettings* Store() { return &m_settings; }

private:
    QSettings m_settings;
};

} // namespace App
