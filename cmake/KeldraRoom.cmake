# keldra's rooms (keldra/README.md): each folder of keldra/ is an object library keldra_<room>
# of every .cpp in it, whose include path holds its own headers and, through the rooms it
# uses, theirs, and nothing else. A room's folder is reached through a link in the build tree,
# build/keldra-rooms/<room>/keldra/<room>, so that "keldra/<room>/x.h" resolves only where
# <room> is on the include path: a header of a room that is not used fails to compile.
#
# Object libraries keep every object (the exported host functions included); their objects go
# only into the targets that link them directly, so programs link each room they need
# (keldra_link_rooms below links them all).

# keldra_room(NAME [USES room...] [LIBRARIES target...] [LEAVE_OUT file.cpp...])
function(keldra_room name)
  cmake_parse_arguments(PARSE_ARGV 1 ROOM "" "" "USES;LIBRARIES;LEAVE_OUT")
  set(folder ${PROJECT_SOURCE_DIR}/keldra/${name})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  foreach(file ${ROOM_LEAVE_OUT})
    list(REMOVE_ITEM sources ${folder}/${file})
  endforeach()
  set(root ${CMAKE_BINARY_DIR}/keldra-rooms/${name})
  file(MAKE_DIRECTORY ${root}/keldra)
  file(CREATE_LINK ${folder} ${root}/keldra/${name} RESULT status SYMBOLIC)
  if(NOT status EQUAL 0)
    # Where no links can be made (Windows without the right to), the whole source tree is seen
    # instead: the build works, only without this check, which the Linux builds make.
    message(STATUS "keldra_${name}: no link to its folder (${status}); its includes are not checked")
    set(root ${PROJECT_SOURCE_DIR})
  endif()
  add_library(keldra_${name} OBJECT ${sources})
  target_include_directories(keldra_${name} PUBLIC ${root})
  foreach(used ${ROOM_USES})
    target_link_libraries(keldra_${name} PUBLIC keldra_${used})
  endforeach()
  if(ROOM_LIBRARIES)
    target_link_libraries(keldra_${name} PUBLIC ${ROOM_LIBRARIES})
  endif()
  if(ORVANE_SANITIZE)
    # The plug-in's type information lives in the module, which keldra only loads at run
    # time, so the dynamic-type check cannot follow calls into it.
    target_compile_options(keldra_${name} PUBLIC -fno-sanitize=vptr)
  endif()
  set_property(GLOBAL APPEND PROPERTY KELDRA_ROOMS keldra_${name})
endfunction()

# The module's headers keldra may include, and the two module sources it compiles as its own
# (the record layouts it fills, the file-name rules it shares), in keldra_module_interface.
# Nothing of the module is linked into keldra.
function(keldra_module_interface)
  set(root ${CMAKE_BINARY_DIR}/keldra-rooms/module)
  foreach(header ${ARGN})
    get_filename_component(folder ${header} DIRECTORY)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} RESULT status SYMBOLIC)
    if(NOT status EQUAL 0)
      set(root ${PROJECT_SOURCE_DIR})
      break()
    endif()
  endforeach()
  add_library(keldra_module_interface OBJECT ${PROJECT_SOURCE_DIR}/host/records.cpp
                                             ${PROJECT_SOURCE_DIR}/util/file_names.cpp)
  target_include_directories(keldra_module_interface PUBLIC ${root})
  set_property(GLOBAL APPEND PROPERTY KELDRA_ROOMS keldra_module_interface)
endfunction()

# Links every room (and the module interface) into `target`.
function(keldra_link_rooms target)
  get_property(rooms GLOBAL PROPERTY KELDRA_ROOMS)
  target_link_libraries(${target} PRIVATE ${rooms})
endfunction()
