# Checks the module's table of exported names: the seven C exports and the plug-in classes'
# operations must be there, and nothing else of the module may be (DllMain in particular is the
# loader's entry, not an export).
# Usage: cmake -DNM=nm -DMODULE=path/to/orvaneplugin.so -P check_module_exports.cmake
#        cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DMODULE=path/to/orvaneplugin.dll -P ...
cmake_minimum_required(VERSION 3.16)
if(OBJDUMP)
  # A Windows module: the names listed after "[Ordinal/Name Pointer] Table" in its
  # private headers, one "[  n] name" line each, up to the next blank line.
  execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${MODULE}")
  endif()
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${MODULE} has no table of exported names")
  endif()
  string(SUBSTRING "${dump}" ${start} -1 dump)
  string(FIND "${dump}" "

" end)
  string(SUBSTRING "${dump}" 0 ${end} dump)
  string(REGEX MATCHALL "\[ *[0-9]+\] [^
]+" table "${dump}")
  string(REPLACE ";" "
" table "${table}")
else()
  execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                  OUTPUT_VARIABLE table RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${MODULE}")
  endif()
endif()

set(required
  createPlugin getPluginName getPluginDescription getAuthor getHelpFile getPluginVersion getGUIScript
  # KeldraPluginInterface: default and copy constructors, destructor, copy assignment, vtable.
  _ZN21KeldraPluginInterfaceC1Ev _ZN21KeldraPluginInterfaceC1ERKS_ _ZN21KeldraPluginInterfaceD1Ev
  _ZN21KeldraPluginInterfaceaSERKS_ _ZTV21KeldraPluginInterface
  # orvaneplugin: default constructor, destructor, initPlugin, execute.
  _ZN12orvanepluginC1Ev _ZN12orvanepluginD1Ev _ZN12orvaneplugin10initPluginEv _ZN12orvaneplugin7executeEv)
# The compiler's companions of the exported classes: base-object and deleting variants,
# the second vtable and the type information.
set(allowed ${required}
  _ZN21KeldraPluginInterfaceC2Ev _ZN21KeldraPluginInterfaceC2ERKS_ _ZN21KeldraPluginInterfaceD2Ev
  _ZN21KeldraPluginInterfaceD0Ev _ZTI21KeldraPluginInterface _ZTS21KeldraPluginInterface
  _ZN12orvanepluginC2Ev _ZN12orvanepluginD2Ev _ZN12orvanepluginD0Ev
  _ZTV12orvaneplugin _ZTI12orvaneplugin _ZTS12orvaneplugin)

string(REGEX REPLACE "\n$" "" table "${table}")
string(REPLACE "\n" ";" lines "${table}")
set(found)
set(unexpected)
foreach(line ${lines})
  string(REGEX MATCH "[^ ]+$" symbol "${line}")
  list(APPEND found ${symbol})
  # Sanitizer builds add their runtime's bookkeeping symbols; they are not the module's.
  if(NOT symbol IN_LIST allowed AND NOT symbol MATCHES "^__(asan|ubsan|sanitizer|odr_asan)")
    list(APPEND unexpected ${symbol})
  endif()
endforeach()

set(missing)
foreach(symbol ${required})
  if(NOT symbol IN_LIST found)
    list(APPEND missing ${symbol})
  endif()
endforeach()

if(missing OR unexpected)
  message(FATAL_ERROR "module exports wrong\n  missing: ${missing}\n  unexpected: ${unexpected}")
endif()
message(STATUS "module exports: ${found}")
