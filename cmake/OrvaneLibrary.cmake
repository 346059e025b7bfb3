# The module's libraries, one per source folder.
#
# A library's headers are included as "<folder>/<name>.h". So that a library sees only its own
# headers and those of the libraries it links, each folder is offered to the compiler through
# an include folder of its own in the build tree, holding nothing but a link to the source
# folder; the source tree's root is never on a module library's include path. An include of a
# folder whose library is not linked therefore fails to compile. Libraries whose headers
# include another library's link it PUBLIC, those that need it only in their .cpp files PRIVATE.

# Adds the include folder of the current source folder to `target` (as `scope`).
function(orvane_expose_folder target scope)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/module-headers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} RESULT status SYMBOLIC)
  if(NOT status EQUAL 0)
    # Where no links can be made (Windows without the right to), the whole source tree is seen
    # instead: the build works, only without this check, which the Linux builds make.
    message(STATUS "${target}: no link to its folder (${status}); its includes are not checked")
    set(root ${PROJECT_SOURCE_DIR})
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# A static library of every .cpp in the current folder, linking the libraries that follow
# (with PUBLIC / PRIVATE, as target_link_libraries takes them).
function(orvane_folder_library target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${target} STATIC ${sources})
  orvane_expose_folder(${target} PUBLIC)
  if(ARGN)
    target_link_libraries(${target} ${ARGN})
  endif()
endfunction()
