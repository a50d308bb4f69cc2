# cmake -DLIST=<payload_entries.txt> -DOUTPUT=<file.inc> -P payload_names.cmake
#
# Writes the archive names of the payload's entry list (the first tab-separated
# field of each line that is neither empty nor a "#" comment), in the list's
# order, as C++ wide string literals, one per line, each followed by a comma:
# the body of an initialiser list. The file is rewritten only when its text
# changes. Fails on a name that holds a double quote or a backslash.
file(STRINGS ${LIST} lines ENCODING UTF-8)
get_filename_component(list_name ${LIST} NAME)
set(text "// Generated from ${list_name} by payload_names.cmake; do not edit.\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  string(REGEX REPLACE "\t.*" "" name "${line}")
  if(name MATCHES "[\"\\\\]")
    message(FATAL_ERROR "${LIST}: the entry name ${name} holds a quote or a backslash")
  endif()
  string(APPEND text "L\"${name}\",\n")
endforeach()
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
