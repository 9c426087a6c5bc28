# Fails when a source folder includes a folder above it on the ladder. Run as a test:
#   cmake -DSOURCE_DIR=<top of the repository> -P cmake/check_includes.cmake
# The folders from the bottom up: each includes only from itself and those below it, and
# reports upwards through return values or callbacks that app/ wires at start-up.
set(ladder common ui protocol diagram serial lists run app)
file(GLOB files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*/*.h ${SOURCE_DIR}/src/*/*.cpp)
set(violations "")
foreach(file ${files})
  string(REGEX MATCH "^[a-z_]+" folder ${file})
  list(FIND ladder ${folder} own)
  file(STRINGS ${SOURCE_DIR}/src/${file} includes REGEX "^#include \"[a-z_]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" included "${line}")
    list(FIND ladder ${included} other)
    if(own EQUAL -1 OR other GREATER own)
      string(APPEND violations "\n  src/${file}: ${line}")
    endif()
  endforeach()
endforeach()
if(violations)
  list(JOIN ladder " < " order)
  message(FATAL_ERROR "Includes against the folder order ${order}:${violations}")
endif()
