# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's header-only libraries serve the Windows cross build too, but their own CMake files put
# /usr/include on the compiler's path, where Linux's C headers would shadow MinGW's. These
# stand-ins (the windows preset points CLI11_DIR and nlohmann_json_DIR here) give the same
# targets with only the library's own folder on the path, through a link in the build tree.
function(tessaly_host_headers target folder)
  if(TARGET ${target})
    return()
  endif()
  set(root ${CMAKE_BINARY_DIR}/host-headers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${root})
endfunction()
