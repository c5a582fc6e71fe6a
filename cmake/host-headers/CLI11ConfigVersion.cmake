# SPDX-License-Identifier: GPL-3.0-or-later
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
tessaly_host_version(/usr/share/cmake/CLI11/CLI11ConfigVersion.cmake)
