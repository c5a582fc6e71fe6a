# SPDX-License-Identifier: GPL-3.0-or-later
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
