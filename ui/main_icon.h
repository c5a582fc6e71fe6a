// SPDX-License-Identifier: GPL-3.0-or-later
// The main icon IDR_MAINFRAME in all the sizes we ship.
#pragma once

#include <QIcon>

QIcon MainIcon();
