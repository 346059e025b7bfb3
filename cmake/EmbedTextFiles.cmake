# Text files built into a program: each becomes a function returning its bytes and their SHA-256
# digest (the pages' Content-Security-Policy names their inline script and style by digest).
# The files stay real files in the source tree, read, linted and tested as what they are; a
# change to one regenerates the source at build time.
#
# embed_text_files(TARGET target OUTPUT generated.cpp HEADER "keldra/report/x.h"
#                  NAMESPACE "orvane::keldra" FILES function=path ...)
# adds generated.cpp (in the build tree) to `target`; it defines, for each `function=path`,
# `EmbeddedText function()` as declared in HEADER. A script (.js) that holds "</script", or a
# style (.css) that holds "</style", would end the element it is inlined in, and fails the build.
function(embed_text_files)
  cmake_parse_arguments(EMBED "" "TARGET;OUTPUT;HEADER;NAMESPACE" "FILES" ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${EMBED_OUTPUT})
  set(dependencies "")
  foreach(entry ${EMBED_FILES})
    string(REGEX REPLACE "^[^=]*=" "" path "${entry}")
    list(APPEND dependencies ${path})
  endforeach()
  string(REPLACE ";" "|" files "${EMBED_FILES}")
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DHEADER=${EMBED_HEADER} -DNAMESPACE=${EMBED_NAMESPACE}
            "-DFILES=${files}" -P ${PROJECT_SOURCE_DIR}/cmake/embed_text_files_script.cmake
    DEPENDS ${dependencies} ${PROJECT_SOURCE_DIR}/cmake/embed_text_files_script.cmake
    COMMENT "Building the web files into ${EMBED_OUTPUT}"
    VERBATIM)
  target_sources(${EMBED_TARGET} PRIVATE ${output})
endfunction()
