# Checks that a Windows module imports nothing but Windows' own system libraries: the host
# ships no compiler runtime, so a module needing libstdc++, libgcc or a pthread library would
# fail to load there.
# Usage: cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DMODULE=path/to/orvaneplugin.dll -P check_module_imports.cmake
cmake_minimum_required(VERSION 3.16)
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${MODULE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(imports)
set(foreign)
foreach(line ${lines})
  string(REGEX REPLACE "^DLL Name: *" "" library "${line}")
  string(STRIP "${library}" library)
  string(TOLOWER "${library}" name)
  list(APPEND imports ${library})
  # The C runtime Windows itself carries (msvcrt, or the universal one and its API sets) and
  # the core system libraries.
  if(NOT name MATCHES "^(kernel32|user32|advapi32|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\\.dll$")
    list(APPEND foreign ${library})
  endif()
endforeach()

if(NOT imports)
  message(FATAL_ERROR "${MODULE} imports nothing; is it a Windows module?")
endif()
if(foreign)
  message(FATAL_ERROR "${MODULE} imports libraries Windows does not carry: ${foreign}")
endif()
message(STATUS "imports: ${imports}")
