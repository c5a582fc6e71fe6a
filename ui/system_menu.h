// SPDX-License-Identifier: GPL-3.0-or-later
// The About entry in the main window's system menu, where the system lets a program add one:
// Windows. X11 gives a program no say in the window manager's menu; there the context menu keeps
// the entry. One file per platform (system_menu_posix.cpp, system_menu_win32.cpp).
#pragma once

#include <QString>
#include <optional>

class QWidget;

// Appends a separator and `text` with the value `command` (IDM_ABOUTBOX) to the window's system
// menu; an empty text adds neither. True when the window has such a menu (whether or not anything
// was added), false where the platform has none.
bool AppendAboutToSystemMenu(QWidget& window, const QString& text, unsigned command);

// The WM_SYSCOMMAND value a native message carries when it is in `command`'s range (its low four
// bits aside); nothing for every other message, the standard commands among them.
std::optional<unsigned> OwnSystemCommand(const void* message, unsigned command);
