# Runs genversion and writes its result line to OUTPUT, but only when that
# changes the file; genversion_add_header() runs it at build time.
#
#   cmake -DGENVERSION=<tool> -DLIB_NAME=<name> -DCONFIGURE_AC=<file>
#         -DOUTPUT=<header> -P genversion_write_header.cmake
#
# On failure the build's output shows genversion's own message (where no
# version is found: the names the file gives instead), and OUTPUT is left
# as it was.
cmake_minimum_required(VERSION 3.14...3.25)

execute_process(
  COMMAND "${GENVERSION}" "${LIB_NAME}" "${CONFIGURE_AC}"
  OUTPUT_VARIABLE header
  ERROR_VARIABLE error
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  string(STRIP "${error}" error)
  if(error STREQUAL "Error: Version string could not be found!")
    include("${CMAKE_CURRENT_LIST_DIR}/genversion_names_hint.cmake")
    _genversion_names_hint("${GENVERSION}" "${LIB_NAME}" "${CONFIGURE_AC}"
                           error)
  endif()
  message(FATAL_ERROR "${error}\n${OUTPUT} not written")
endif()

if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old_header)
  if(old_header STREQUAL header)
    return()
  endif()
endif()
# Written beside it under a name of this run's own, then renamed: a header
# is never seen half written, and two builds that write the same header do
# not write into each other's file.
string(RANDOM LENGTH 12 ALPHABET 0123456789abcdef run)
string(TIMESTAMP now "%s%f" UTC)
set(temporary "${OUTPUT}.${now}.${run}.tmp")
file(WRITE "${temporary}" "${header}")
file(RENAME "${temporary}" "${OUTPUT}")
