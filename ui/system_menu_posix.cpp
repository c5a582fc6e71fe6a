// SPDX-License-Identifier: GPL-3.0-or-later
// X11 and Wayland: the window manager's menu is its own.
#include "system_menu.h"

bool AppendAboutToSystemMenu(QWidget&, const QString&, unsigned) {
    return false;
}

std::optional<unsigned> OwnSystemCommand(const void*, unsigned) {
    return std::nullopt;
}
