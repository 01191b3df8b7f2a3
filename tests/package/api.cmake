# The public API as an embedding program meets it:
# - the shared library exports ormid:: symbols and nothing else;
# - every public header compiles on its own;
# - outside namespace ormid the headers hold only comments, blank lines and
#   preprocessor lines (ORMID_-prefixed macros and includes).
execute_process(COMMAND nm -D -C --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
list(LENGTH lines count)
if(count LESS 4)
  message(FATAL_ERROR "too few exported symbols: ${symbols}")
endif()
foreach(line IN LISTS lines)
  if(NOT line MATCHES " ormid::")
    message(FATAL_ERROR "exported outside the API: ${line}")
  endif()
endforeach()

file(GLOB headers ${SOURCE_INCLUDE}/ormid/*.h ${BUILD_INCLUDE}/ormid/*.h)
foreach(header IN LISTS headers)
  get_filename_component(name ${header} NAME)
  file(WRITE ${WORK}/alone_${name}.cpp "#include \"ormid/${name}\"\n")
  execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -Wall -Wextra -Werror
    -I${SOURCE_INCLUDE} -I${BUILD_INCLUDE} ${WORK}/alone_${name}.cpp
    RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name} does not compile alone:\n${err}")
  endif()
  file(STRINGS ${header} text)
  set(depth 0)
  foreach(line IN LISTS text)
    if(line MATCHES "^namespace ormid {")
      math(EXPR depth "${depth} + 1")
    elseif(line MATCHES "^}  // namespace ormid")
      math(EXPR depth "${depth} - 1")
    elseif(depth EQUAL 0 AND NOT line MATCHES "^[ \t]*$" AND NOT line MATCHES "^[ \t]*//"
           AND NOT line MATCHES "^#(pragma once|include|if|elif|else|endif)"
           AND NOT line MATCHES "^#define ORMID_")
      message(FATAL_ERROR "${name} declares outside namespace ormid: ${line}")
    endif()
  endforeach()
endforeach()
