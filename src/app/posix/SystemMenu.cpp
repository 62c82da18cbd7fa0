#include "app/SystemMenu.h"

namespace App {

bool SystemMenu::AppendAbout(QWidget* window, const QString& text) {
    Q_UNUSED(window);
    Q_UNUSED(text);
    return false;
}

bool SystemMenu::IsAboutCommand(const QByteArray& eventType, void* message) {
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
}

} // namespace App
