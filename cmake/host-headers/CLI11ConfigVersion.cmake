# SPDX-License-Identifier: GPL-3.0-or-later
include(/usr/share/cmake/CLI11/CLI11ConfigVersion.cmake)
