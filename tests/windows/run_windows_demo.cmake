# Runs the Windows keldra's demo under wine and checks it.
#   With NATIVE_KELDRA and MAPPING: runs the demo in that mapping in both builds and requires the
#   same checksums of the VMR and of every saved FMR, in the same order.
#   With HOST_VERSION: the Windows keldra reports that version; the plug-in must refuse it with
#   its message box, and keldra must exit with 1 (the plug-in refused).
# Usage: cmake -DEMULATOR=wine-run.sh -DWINDOWS_KELDRA=Keldra.exe -DWORK=dir
#              (-DNATIVE_KELDRA=keldra -DMAPPING=n | -DHOST_VERSION=x.y.z) -P run_windows_demo.cmake
cmake_minimum_required(VERSION 3.16)

# Every line that reports a checksum, reduced to what it is of and the value.
function(checksums output result)
  string(REGEX MATCHALL "checksum of the VMR as it now is: [0-9a-f]+|data checksum [0-9a-f]+" lines "${output}")
  set(values)
  foreach(line ${lines})
    string(REGEX REPLACE "checksum of the VMR as it now is: " "VMR " line "${line}")
    string(REGEX REPLACE "data checksum " "FMR " line "${line}")
    list(APPEND values "${line}")
  endforeach()
  set(${result} "${values}" PARENT_SCOPE)
endfunction()

function(run_demo label out status_var output_var)
  file(REMOVE_RECURSE ${out})
  execute_process(COMMAND ${ARGN} demo --out ${out} ${extra}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${status_var} "${status}" PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

if(HOST_VERSION)
  set(extra --host-version ${HOST_VERSION})
  run_demo(windows ${WORK}/refused-${HOST_VERSION} status output ${EMULATOR} ${WINDOWS_KELDRA})
  if(NOT status EQUAL 1)
    message(FATAL_ERROR "expected exit status 1 for host version ${HOST_VERSION}, got ${status}:\n${output}")
  endif()
  string(FIND "${output}" "Can not execute this plugin - Keldra version 2.1 or higher required." at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the plug-in's refusal is missing:\n${output}")
  endif()
  return()
endif()

set(extra --mapping ${MAPPING})
run_demo(native ${WORK}/native-${MAPPING} native_status native_output ${NATIVE_KELDRA})
run_demo(windows ${WORK}/windows-${MAPPING} windows_status windows_output ${EMULATOR} ${WINDOWS_KELDRA})
if(NOT native_status EQUAL 0)
  message(FATAL_ERROR "the native demo failed (${native_status}):\n${native_output}")
endif()
if(NOT windows_status EQUAL 0)
  message(FATAL_ERROR "the Windows demo failed (${windows_status}):\n${windows_output}")
endif()

checksums("${native_output}" native)
checksums("${windows_output}" windows)
# Every mapping leaves the VMR; the mappings into an FMR (2 and 3) also save one.
set(expected 1)
if(NOT MAPPING EQUAL 1)
  set(expected 2)
endif()
list(LENGTH native count)
if(NOT count EQUAL expected)
  message(FATAL_ERROR "expected ${expected} checksums from the native demo, got: ${native}\n${native_output}")
endif()
if(NOT native STREQUAL windows)
  message(FATAL_ERROR "results differ in mapping ${MAPPING}\n  native:  ${native}\n  Windows: ${windows}")
endif()
message(STATUS "mapping ${MAPPING}: ${windows}")
