# The header-only libraries keldra uses (CLI11, nlohmann-json) as the targets their Debian CMake
# packages define. A cross build cannot use those packages: they point at /usr/include, where
# the build machine's C library headers would hide the cross compiler's own. It gets a folder of
# its own instead, holding links to just these libraries' headers, which need nothing but the
# standard library.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 QUIET CONFIG)
  find_package(nlohmann_json 3 REQUIRED)
  return()
endif()

set(orvane_header_folder ${CMAKE_BINARY_DIR}/header-only-libraries)
function(orvane_header_only_library target header_folder)
  if(TARGET ${target})
    return()
  endif()
  if(NOT EXISTS /usr/include/${header_folder})
    message(STATUS "${target}: /usr/include/${header_folder} not found")
    return()
  endif()
  file(MAKE_DIRECTORY ${orvane_header_folder})
  file(CREATE_LINK /usr/include/${header_folder} ${orvane_header_folder}/${header_folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${orvane_header_folder})
endfunction()

orvane_header_only_library(CLI11::CLI11 CLI)
orvane_header_only_library(nlohmann_json::nlohmann_json nlohmann)
if(NOT TARGET nlohmann_json::nlohmann_json)
  message(FATAL_ERROR "keldra needs nlohmann-json3-dev")
endif()
