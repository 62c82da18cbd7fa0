#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace App {

// The window's native system menu (the one behind the title bar's icon). Windows programs put their
// About entry there; where the window manager owns that menu (Linux), nothing is appended and the
// caller offers the entry elsewhere.
class SystemMenu {
public:
    // Appends a separator and an entry with `text` to `window`'s system menu. False where the platform
    // has no such menu of the program's own.
    static bool AppendAbout(QWidget* window, const QString& text);
    // Whether a native event (as QWidget::nativeEvent gets it) is the choice of that entry.
    static bool IsAboutCommand(const QByteArray& eventType, void* message);
};

} // namespace App
