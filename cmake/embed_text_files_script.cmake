# Run by embed_text_files (EmbedTextFiles.cmake) at build time, as cmake -P: writes OUTPUT, a C++
# source defining one function per entry of FILES ("function=path|function=path").
string(REPLACE "|" ";" entries "${FILES}")
set(definitions "")
foreach(entry ${entries})
  string(REGEX MATCH "^[^=]*" function "${entry}")
  string(REGEX REPLACE "^[^=]*=" "" path "${entry}")
  file(READ ${path} text)
  # A script or style inlined into a page must not end its element early.
  string(TOLOWER "${text}" lower)
  set(closing "")
  if(path MATCHES "\\.js$")
    set(closing "</script")
  elseif(path MATCHES "\\.css$")
    set(closing "</style")
  endif()
  if(closing)
    string(FIND "${lower}" "${closing}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${path} holds \"${closing}\", which would end the element it is put in")
    endif()
  endif()
  file(SHA256 ${path} digest)
  file(READ ${path} bytes HEX)
  string(LENGTH "${bytes}" hexLength)
  math(EXPR length "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
  # Lines of 16 characters keep the source readable for a compiler's error messages.
  string(REGEX REPLACE "(('[^']*',){16})" "\\1\n    " bytes "${bytes}")
  get_filename_component(name ${path} NAME)
  string(APPEND definitions
    "// ${name}\n"
    "EmbeddedText ${function}() {\n"
    "    static const char bytes[] = {\n    ${bytes}'\\0'};\n"
    "    return {std::string_view(bytes, ${length}), \"${digest}\"};\n"
    "}\n\n")
endforeach()
file(WRITE ${OUTPUT}
  "// Generated at build time by cmake/embed_text_files_script.cmake from the web files; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace ${NAMESPACE} {\n\n"
  "${definitions}"
  "}  // namespace ${NAMESPACE}\n")
