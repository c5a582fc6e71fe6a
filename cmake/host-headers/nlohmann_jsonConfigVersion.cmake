# SPDX-License-Identifier: GPL-3.0-or-later
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
tessaly_host_version(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
