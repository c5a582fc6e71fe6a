# SPDX-License-Identifier: GPL-3.0-or-later
# The Qt for the Windows window: scripts/build-qt-windows builds it from Debian's sources of the
# host's Qt version into the user's cache, where this looks for it. When it is there, the windows
# preset builds the window and its tests too; the host's moc, rcc and uic serve the cross build.
execute_process(COMMAND dpkg-query -W -f=\${Version} qt6-base-dev
                OUTPUT_VARIABLE base_version ERROR_QUIET)
execute_process(COMMAND dpkg-query -W -f=\${Version} libqcustomplot-dev
                OUTPUT_VARIABLE plot_version ERROR_QUIET)
if(DEFINED ENV{TESSALY_CACHE})
  set(cache $ENV{TESSALY_CACHE})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(cache $ENV{XDG_CACHE_HOME}/tessaly)
else()
  set(cache $ENV{HOME}/.cache/tessaly)
endif()
set(TESSALY_QT_WINDOWS ${cache}/qt-windows-${base_version}-qcustomplot-${plot_version})

set(TESSALY_QT_WINDOWS_FOUND OFF)
if(base_version AND EXISTS ${TESSALY_QT_WINDOWS}/.complete)
  set(TESSALY_QT_WINDOWS_FOUND ON)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TESSALY_QT_WINDOWS})
  set(Qt6_DIR ${TESSALY_QT_WINDOWS}/lib/cmake/Qt6)
  set(QT_HOST_PATH /usr)
  file(GLOB host_cmake_dir /usr/lib/*/cmake/Qt6HostInfo)
  get_filename_component(QT_HOST_PATH_CMAKE_DIR "${host_cmake_dir}" DIRECTORY)
  # The host's rcc compresses with zstd, which this Qt is built without.
  set(CMAKE_AUTORCC_OPTIONS --no-zstd)
  message(STATUS "Qt for Windows: ${TESSALY_QT_WINDOWS}")
else()
  message(STATUS "No Qt for Windows at ${TESSALY_QT_WINDOWS}: the window is not built "
                 "(scripts/build-qt-windows builds it)")
endif()
