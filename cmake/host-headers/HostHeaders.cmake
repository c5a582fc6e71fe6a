# SPDX-License-Identifier: GPL-3.0-or-later
# Stand-in package files for the two header-only libraries tessalyctl uses (CLI11_DIR and
# nlohmann_json_DIR point here), for Windows builds. In the cross build here the headers are
# Debian's, but Debian's own CMake files put /usr/include on the compiler's path, where Linux's C
# headers would shadow MinGW's: these expose only the library's folder, through a link in the build
# tree. On a Windows PC TESSALY_HEADER_ROOT names a folder that holds CLI\ and nlohmann\.
set(TESSALY_HEADER_ROOT /usr/include CACHE PATH "The folder that holds the CLI and nlohmann headers")

function(tessaly_host_headers target folder)
  if(TARGET ${target})
    return()
  endif()
  set(include ${TESSALY_HEADER_ROOT})
  if(TESSALY_HEADER_ROOT STREQUAL "/usr/include")
    set(include ${CMAKE_BINARY_DIR}/host-headers/${folder})
    file(MAKE_DIRECTORY ${include})
    file(CREATE_LINK /usr/include/${folder} ${include}/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${include})
endfunction()

# The version check: Debian's, where its package is installed; otherwise the headers given are
# taken to be the version asked for.
function(tessaly_host_version debianVersionFile)
  if(EXISTS ${debianVersionFile})
    include(${debianVersionFile})
  else()
    set(PACKAGE_VERSION ${PACKAGE_FIND_VERSION})
    set(PACKAGE_VERSION_COMPATIBLE TRUE)
  endif()
  set(PACKAGE_VERSION ${PACKAGE_VERSION} PARENT_SCOPE)
  set(PACKAGE_VERSION_COMPATIBLE ${PACKAGE_VERSION_COMPATIBLE} PARENT_SCOPE)
  set(PACKAGE_VERSION_EXACT ${PACKAGE_VERSION_EXACT} PARENT_SCOPE)
endfunction()
