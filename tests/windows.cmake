# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows tests, with GoogleTest from Debian's source package built by the cross compiler. The
# simulators are Linux programs on pseudo-terminals that Wine maps to COM ports; scripts/test-windows
# starts them and names them in TESSALY_SIM_* variables.
set(TESSALY_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${TESSALY_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources at ${TESSALY_GOOGLETEST_SOURCE}: the tests are not built")
  return()
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TESSALY_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The same frame and backend tests as on Linux, against the Win32 backend.
add_executable(test_link_win link_frame_test.cpp link_backend_test.cpp)
target_link_libraries(test_link_win PRIVATE tessaly_link GTest::gtest_main)
add_test(NAME test_link_win COMMAND test_link_win)

# The window under Wine, on the offscreen platform, when its Qt for Windows has been built.
if(TESSALY_GUI)
  function(tessaly_wine_qt_test name source)
    add_executable(${name} ${source} support/com_ports_win32.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/support)
    target_link_libraries(${name} PRIVATE tessaly_ui Qt6::Test)
    # Qt is static: the offscreen platform is there only when linked in.
    qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    # Wine hides QT_* variables from Windows programs: the platform is named on the command line.
    # Further arguments name the test functions to run.
    add_test(NAME ${name} COMMAND ${name} -platform offscreen ${ARGN})
  endfunction()
  tessaly_wine_qt_test(test_window_win window_test.cpp)
  # Qt's own dialogs in Chinese: the translation this Qt lacks is embedded in the window.
  tessaly_wine_qt_test(test_language_win window_language_test.cpp qtsOwnDialogsSpeakTheWindowsLanguage)
endif()
