# genversion_libtool_version() against libtool itself, in script mode:
#   - the numbers of every shape of -version-info, and the ones libtool
#     refuses stopping with a clear message;
#   - with LIBTOOL: for each, libtool links a shared library, and the file
#     names it makes are those that CMake makes from the SOVERSION and
#     VERSION properties (lib<name>.so.<VERSION>, lib<name>.so.<SOVERSION>);
#     what genversion refuses, libtool refuses too;
#   - with CC: a CMake project builds a shared library with the properties,
#     and its files have those names.
#
#   cmake -DSOURCE_DIR=<genversion source> -DWORK=<dir> [-DLIBTOOL=<libtool>]
#         [-DCC=<c compiler>] [-DGENERATOR=<name>] -P check_libtool_version.cmake
cmake_minimum_required(VERSION 3.14)

include(${SOURCE_DIR}/cmake/genversion_libtool_version.cmake)

if(DEFINED ONE_CALL)
  # A run of its own for a call that must stop.
  cmake_language(EVAL CODE "genversion_libtool_version(V ${ONE_CALL})")
  return()
endif()

foreach(tool LIBTOOL CC)
  if(DEFINED ${tool} AND NOT ${tool})
    message(FATAL_ERROR "${tool} is missing: install libtool-bin and a C "
                        "compiler (scripts/install-deps.sh --tests)")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# arguments | SOVERSION | LIBRARY_VERSION | MACHO compatibility | current
set(cases
  "VERSION_INFO 8:6:8|0|0.8.6|9|9.6"
  "VERSION_INFO 19:1:15|4|4.15.1|20|20.1"
  "VERSION_INFO 43:5:29|14|14.29.5|44|44.5"
  "VERSION_INFO 0:0:0|0|0.0.0|1|1.0"
  "VERSION_INFO 7|7|7.0.0|8|8.0"
  "VERSION_INFO 7:3|7|7.0.3|8|8.3"
  "VERSION_INFO 99999:0:99999|0|0.99999.0|100000|100000.0"
  "CURRENT 15 REVISION 0 AGE 15|0|0.15.0|16|16.0"
  "CURRENT 3 AGE 1|2|2.1.0|4|4.0")
set(valid_infos "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 arguments)
  string(REPLACE " " ";" arguments "${arguments}")
  genversion_libtool_version(V ${arguments})
  list(REMOVE_AT fields 0)
  string(REPLACE ";" "|" expected "${fields}")
  set(got "${V_SOVERSION}|${V_LIBRARY_VERSION}|${V_MACHO_COMPATIBILITY_VERSION}|${V_MACHO_CURRENT_VERSION}")
  if(NOT got STREQUAL expected)
    message(SEND_ERROR "${case}: got ${got}")
  endif()
  list(GET arguments 0 keyword)
  if(keyword STREQUAL "VERSION_INFO")
    list(GET arguments 1 info)
    list(APPEND valid_infos "${info}|${V_SOVERSION}|${V_LIBRARY_VERSION}")
  endif()
endforeach()

# arguments | what the message says (a regular expression)
set(refused
  "VERSION_INFO 8:0:9|AGE 9 is greater than CURRENT 8"
  "VERSION_INFO 1:2:3:4|more than three parts"
  "VERSION_INFO x:0:0|CURRENT 'x' of 'x:0:0' is not a number"
  "VERSION_INFO 08:0:0|CURRENT '08'"
  "VERSION_INFO 1::0|REVISION '' of '1::0'"
  "VERSION_INFO 100000:0:0|CURRENT '100000'"
  "VERSION_INFO -1:0:0|CURRENT '-1'"
  "CURRENT 2 AGE 3|AGE 3 is greater than CURRENT 2"
  "REVISION 1|VERSION_INFO or CURRENT is required"
  "VERSION_INFO 1:0:0 CURRENT 1|not both")
foreach(case IN LISTS refused)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 arguments)
  list(GET fields 1 expected)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DWORK=${WORK}
            "-DONE_CALL=${arguments}" -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \n]+" " " flat_output "${output}")
  if(status EQUAL 0 OR NOT flat_output MATCHES "${expected}")
    message(SEND_ERROR "${arguments} did not stop with '${expected}':\n${output}")
  endif()
  if(arguments MATCHES "^VERSION_INFO ([^ ]*)$")
    list(APPEND refused_infos "${CMAKE_MATCH_1}")
  endif()
endforeach()

if(LIBTOOL)
  # libtool's own names for each -version-info.
  file(WRITE ${WORK}/x.c "int x(void) { return 1; }\n")
  execute_process(COMMAND ${LIBTOOL} --mode=compile --tag=CC ${CC} -c x.c
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status
                  OUTPUT_QUIET ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "libtool could not compile: ${log}")
  endif()
  foreach(case IN LISTS valid_infos)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 info)
    list(GET fields 1 soversion)
    list(GET fields 2 library_version)
    file(GLOB old ${WORK}/.libs/libx* ${WORK}/libx.la)
    if(old)
      file(REMOVE ${old})
    endif()
    execute_process(
      COMMAND ${LIBTOOL} --mode=link --tag=CC ${CC} -o libx.la x.lo
              -rpath /usr/local/lib -version-info ${info}
      WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status
      OUTPUT_QUIET ERROR_VARIABLE log)
    file(GLOB made RELATIVE ${WORK}/.libs ${WORK}/.libs/libx.so*)
    list(SORT made)
    set(cmake_names libx.so libx.so.${soversion} libx.so.${library_version})
    list(REMOVE_DUPLICATES cmake_names)
    list(SORT cmake_names)
    if(NOT status EQUAL 0 OR NOT made STREQUAL cmake_names)
      message(SEND_ERROR "-version-info ${info}: libtool made '${made}', "
                         "CMake would make '${cmake_names}' ${log}")
    endif()
  endforeach()
  foreach(info IN LISTS refused_infos)
    execute_process(
      COMMAND ${LIBTOOL} --mode=link --tag=CC ${CC} -o libx.la x.lo
              -rpath /usr/local/lib -version-info ${info}
      WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_QUIET
      ERROR_QUIET)
    if(status EQUAL 0)
      message(SEND_ERROR "libtool takes -version-info ${info}, which "
                         "genversion_libtool_version refuses")
    endif()
  endforeach()
endif()

if(CC)
  # CMake's own names from the properties.
  set(project ${WORK}/project)
  file(WRITE ${project}/CMakeLists.txt "cmake_minimum_required(VERSION 3.14)
project(x C)
include(${SOURCE_DIR}/cmake/genversion_libtool_version.cmake)
genversion_libtool_version(X VERSION_INFO 19:1:15)
add_library(x SHARED x.c)
set_target_properties(x PROPERTIES SOVERSION \${X_SOVERSION}
                      VERSION \${X_LIBRARY_VERSION})
")
  file(WRITE ${project}/x.c "int x(void) { return 1; }\n")
  set(generator_option "")
  if(GENERATOR)
    set(generator_option -G ${GENERATOR})
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${project} -B ${project}/build
                          ${generator_option} -DCMAKE_C_COMPILER=${CC}
                  RESULT_VARIABLE configured OUTPUT_QUIET ERROR_VARIABLE log)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${project}/build
                  RESULT_VARIABLE built OUTPUT_QUIET ERROR_VARIABLE log)
  file(GLOB made RELATIVE ${project}/build ${project}/build/libx.so*)
  list(SORT made)
  if(NOT configured EQUAL 0 OR NOT built EQUAL 0
     OR NOT made STREQUAL "libx.so;libx.so.4;libx.so.4.15.1")
    message(SEND_ERROR "CMake made '${made}' for 19:1:15 ${log}")
  endif()
endif()
