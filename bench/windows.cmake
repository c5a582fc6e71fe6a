# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows benchmark: run under Wine by scripts/test-windows --bench, against simulators it
# starts and maps to COM ports, with no libmodbus (Debian has none for Windows); the peer is a
# minimal Win32 loop on the same line.
add_executable(bench_win32 win32.cpp)
target_link_libraries(bench_win32 PRIVATE tessaly_link)
target_include_directories(bench_win32 PRIVATE ${PROJECT_SOURCE_DIR}/tests)

# The window under Wine: start-up and acquisition, when the window is built.
if(TESSALY_GUI)
  add_executable(bench_window_win32 window_win32.cpp)
  target_link_libraries(bench_window_win32 PRIVATE tessaly_ui psapi)
  qt_import_plugins(bench_window_win32 INCLUDE Qt6::QOffscreenIntegrationPlugin)
endif()
