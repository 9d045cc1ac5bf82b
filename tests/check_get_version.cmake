# genversion_get_version() against the built tool, in script mode:
#   - the version and its leading numbers, for versions of every shape;
#   - a refused version stops with genversion's own message, a missing one
#     with the names that the file's AC_INIT calls give;
#   - VALUES and M4 set variables of their own names, escapes undone, and
#     a value that cannot be given stops configure.
#
#   cmake -DGENVERSION=<tool> -DSOURCE_DIR=<genversion source> -DWORK=<dir>
#         -P check_get_version.cmake
cmake_minimum_required(VERSION 3.24)

include(${SOURCE_DIR}/cmake/genversion_get_version.cmake)
set(GENVERSION_EXECUTABLE "${GENVERSION}")
set(configure_ac ${WORK}/configure.ac)

if(DEFINED ONE_VERSION)
  # A run of its own for a call that must stop.
  file(WRITE ${configure_ac} "${ONE_VERSION}\n")
  genversion_get_version(V LIB_NAME [libx] CONFIGURE_AC ${configure_ac}
                         ${ONE_KIND} ${ONE_NAME})
  return()
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# version | MAJOR | MINOR | PATCH | TWEAK | NUMERIC | SUFFIX
set(cases
  "3.2.0-rc1|3|2|0||3.2.0|-rc1"
  "1.2.3.4|1|2|3|4|1.2.3.4|"
  "10.20.30.40.50|10|20|30|40|10.20.30.40|.50"
  "10.48|10|48|||10.48|"
  "10.48-DEV|10|48|||10.48|-DEV"
  "2024.01|2024|01|||2024.01|"
  "1.2rc3|1|2|||1.2|rc3"
  "1.2beta1|1|2|||1.2|beta1"
  "1..2|1||||1|..2"
  "v1.2||||||v1.2"
  "7|7||||7|"
  "1.2.|1|2|||1.2|.")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 version)
  file(WRITE ${configure_ac} "AC_INIT([libx], [${version}])\n")
  genversion_get_version(V LIB_NAME [libx] CONFIGURE_AC ${configure_ac})
  set(got "${V}|${V_MAJOR}|${V_MINOR}|${V_PATCH}|${V_TWEAK}|${V_NUMERIC}|${V_SUFFIX}")
  if(NOT got STREQUAL case)
    message(SEND_ERROR "${version}: got ${got}, expected ${case}")
  endif()
endforeach()

# Each a regular expression. A wrong LIB_NAME gets the names the file
# gives.
foreach(case
    "AC_INIT([libx], m4_esyscmd([git describe]))|configure\\.ac:1: m4_esyscmd needs Autoconf"
    "AC_INIT([liby], [1.0])|no AC_INIT call of LIB_NAME \\[libx\\] gives a version in [^ ]*configure\\.ac configure\\.ac has AC_INIT\\(\\[liby\\], \\.\\.\\.\\): pass LIB_NAME \\[liby\\]"
    "AC_INIT([libx], [])|configure\\.ac has AC_INIT\\(\\[libx\\], \\.\\.\\.\\), which gives no version"
    "dnl AC_INIT([libx], [1.0])|configure\\.ac has no AC_INIT call with a name")
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 text)
  list(GET fields 1 expected)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DGENVERSION=${GENVERSION}
            -DSOURCE_DIR=${SOURCE_DIR} -DWORK=${WORK} "-DONE_VERSION=${text}"
            -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # CMake wraps the message's lines where it likes.
  string(REGEX REPLACE "[ \n]+" " " flat_output "${output}")
  if(status EQUAL 0 OR NOT flat_output MATCHES "${expected}")
    message(SEND_ERROR "${text} did not stop with '${expected}':\n${output}")
  endif()
endforeach()

# VALUES and M4: variables named as asked, with the bytes the configure
# script has.
file(WRITE ${configure_ac} [=[
m4_define([abi], [15:0:15])
AC_INIT([libx], [2.14], [say "hi"; \ <x@y.org>], [], [https://x.org/])
LIB_CURRENT=8
LIB_AGE='1;2'
]=])
genversion_get_version(V LIB_NAME [libx] CONFIGURE_AC ${configure_ac}
  VALUES PACKAGE_NAME PACKAGE_TARNAME PACKAGE_BUGREPORT PACKAGE_URL
         PACKAGE_STRING LIB_CURRENT LIB_AGE
  M4 abi)
set(got "${V}|${PACKAGE_NAME}|${PACKAGE_TARNAME}|${PACKAGE_BUGREPORT}|${PACKAGE_URL}|${PACKAGE_STRING}|${LIB_CURRENT}|${LIB_AGE}|${abi}")
set(want [=[2.14|libx|libx|say "hi"; \ <x@y.org>|https://x.org/|libx 2.14|8|1;2|15:0:15]=])
if(NOT got STREQUAL want)
  message(SEND_ERROR "VALUES and M4: got\n  ${got}\nexpected\n  ${want}")
endif()

foreach(case
    "AC_INIT([libx], [1.0])\nif true\nthen LIB_AGE=1\nfi|VALUES;LIB_AGE|configure\\.ac:3: LIB_AGE is set inside a condition"
    "AC_INIT([libx], [1.0])|M4;nothing|configure\\.ac:1: nothing is no macro where AC_INIT is read"
    "AC_INIT([libx], [1.0])|VALUES;not-a-name|VALUES takes shell or m4 names, not 'not-a-name'")
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 text)
  list(GET fields 1 kind)
  list(GET fields 2 name)
  list(GET fields 3 expected)
  string(REPLACE "\\n" "\n" text "${text}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DGENVERSION=${GENVERSION}
            -DSOURCE_DIR=${SOURCE_DIR} -DWORK=${WORK} "-DONE_VERSION=${text}"
            -DONE_KIND=${kind} -DONE_NAME=${name} -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \n]+" " " flat_output "${output}")
  if(status EQUAL 0 OR NOT flat_output MATCHES "${expected}")
    message(SEND_ERROR "${text} (${kind} ${name}) did not stop with '${expected}':\n${output}")
  endif()
endforeach()
