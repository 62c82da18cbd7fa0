#include "app/SystemMenu.h"

#include <QWidget>

#include <windows.h>

namespace App {

namespace {

// The command id Windows programs have long given their About entry; system commands of Windows
// itself are 0xF000 and above, and the low four bits are Windows' own.
constexpr UINT_PTR kAboutCommand = 0x0010;

} // namespace

bool SystemMenu::AppendAbout(QWidget* window, const QString& text) {
    const HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
    if (!menu)
        return false;
    const std::wstring entry = text.toStdWString();
    return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) &&
           AppendMenuW(menu, MF_STRING, kAboutCommand, entry.c_str());
}

bool SystemMenu::IsAboutCommand(const QByteArray& eventType, void* message) {
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    return msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand;
}

} // namespace App
