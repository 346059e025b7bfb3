# Cross-compiling for 64-bit Windows with the mingw-w64 GCC that Debian packages
# (g++-mingw-w64-x86-64). Usage: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
#
# The posix thread model is preferred: with this compiler version only it provides std::thread,
# which the stand-in host uses. The compiler runtime and the pthread library are linked
# statically into the targets that ship (the module and the Windows hosts), so they depend on
# nothing but Windows' own libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANE_MINGW_PREFIX x86_64-w64-mingw32)

foreach(flavour -posix "")
  find_program(ORVANE_MINGW_CXX ${ORVANE_MINGW_PREFIX}-g++${flavour})
  find_program(ORVANE_MINGW_CC ${ORVANE_MINGW_PREFIX}-gcc${flavour})
  if(ORVANE_MINGW_CXX AND ORVANE_MINGW_CC)
    break()
  endif()
  unset(ORVANE_MINGW_CXX CACHE)
  unset(ORVANE_MINGW_CC CACHE)
endforeach()
if(NOT ORVANE_MINGW_CXX)
  message(FATAL_ERROR "No ${ORVANE_MINGW_PREFIX}-g++ found: install g++-mingw-w64-x86-64 "
                      "(scripts/windows-leg.sh does)")
endif()

set(CMAKE_C_COMPILER ${ORVANE_MINGW_CC})
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_CXX})
find_program(CMAKE_RC_COMPILER ${ORVANE_MINGW_PREFIX}-windres)
find_program(CMAKE_OBJDUMP ${ORVANE_MINGW_PREFIX}-objdump)

# Libraries and headers come from the cross environment only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs built here run under the Windows emulation layer.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
