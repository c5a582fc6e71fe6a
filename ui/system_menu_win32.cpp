// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the window's own system menu, as the dialog had it. (The window's resource ids stay
// out of this file: windows.h defines some of the same names as macros.)
#include <windows.h>

#include <QWidget>

#include "system_menu.h"

bool AppendAboutToSystemMenu(QWidget& window, const QString& text, unsigned command) {
    const HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (!menu)
        return false;
    if (!text.isEmpty()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, command, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
    return true;
}

std::optional<unsigned> OwnSystemCommand(const void* message, unsigned command) {
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_SYSCOMMAND || (msg->wParam & 0xFFF0) != command)
        return std::nullopt;
    return static_cast<unsigned>(msg->wParam);
}
