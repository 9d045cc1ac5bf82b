# Installs genversion into a prefix of its own, builds examples/consumer
# against the installed package, and checks genversion_add_header():
#   - the program prints the version of its configure.ac;
#   - an edit of configure.ac that keeps the version rebuilds nothing that
#     includes the header, and leaves the header as it was;
#   - a new version in configure.ac reaches the program on the next build;
#   - a configure.ac without a version fails the build with genversion's
#     message and keeps the last good header;
#   - GENVERSION_EXECUTABLE names the program that makes the header;
#   - a CONFIGURE_AC that does not exist fails at configure time.
#
#   cmake -DBUILD_DIR=<genversion build> -DSOURCE_DIR=<genversion source>
#         -DWORK=<dir> -DGENERATOR=<generator> -P check_consumer.cmake
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/build_checks.cmake)

set(prefix ${WORK}/prefix)
set(source ${WORK}/source)
set(build ${WORK}/build)
file(REMOVE_RECURSE ${WORK})
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
file(COPY ${SOURCE_DIR}/examples/consumer/ DESTINATION ${source})
run("configuring the consumer" ${CMAKE_COMMAND} -S ${source} -B ${build}
    -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix})
run("building the consumer" ${CMAKE_COMMAND} --build ${build})
expect_program_prints(${build}/consumer "consumer 0.4.2\n")

file(READ ${build}/version.h header)
file(APPEND ${source}/configure.ac "dnl An edit that keeps the version.\n")
run("building after a comment" ${CMAKE_COMMAND} --build ${build})
if(output MATCHES "Building C object")
  message(FATAL_ERROR "the same version rebuilt the program:\n${output}")
endif()
file(READ ${build}/version.h header_after)
if(NOT header_after STREQUAL header)
  message(FATAL_ERROR "the header changed: ${header_after}")
endif()

file(READ ${source}/configure.ac configure_ac)
string(REPLACE "[0.4.2]" "[0.5.0]" new_version "${configure_ac}")
file(WRITE ${source}/configure.ac "${new_version}")
run("building after a new version" ${CMAKE_COMMAND} --build ${build})
expect_program_prints(${build}/consumer "consumer 0.5.0\n")

string(REPLACE "[0.4.2]" "[]" no_version "${configure_ac}")
file(WRITE ${source}/configure.ac "${no_version}")
run("may fail" ${CMAKE_COMMAND} --build ${build})
if(status EQUAL 0)
  message(FATAL_ERROR "a configure.ac without a version built:\n${output}")
endif()
# The call is there, with an empty version: the message says so.
string(REGEX REPLACE "[ \n]+" " " flat_output "${output}")
if(NOT flat_output MATCHES "no AC_INIT call of LIB_NAME \\[libconsumer\\] gives a version in [^ ]*configure\\.ac configure\\.ac has AC_INIT\\(\\[libconsumer\\], \\.\\.\\.\\), which gives no version")
  message(FATAL_ERROR "the failed build lacks the message:\n${output}")
endif()
file(READ ${build}/version.h header_kept)
if(NOT header_kept STREQUAL "#define PACKAGE_VERSION \"0.5.0\"\n")
  message(FATAL_ERROR "the last good header was lost: ${header_kept}")
endif()

# GENVERSION_EXECUTABLE replaces the target, as a cross-compiling build
# needs: a stand-in that prints another version makes the header.
file(WRITE ${source}/configure.ac "${configure_ac}")
file(WRITE ${WORK}/stand-in "#!/bin/sh\necho '#define PACKAGE_VERSION \"9.9.9\"'\n")
file(CHMOD ${WORK}/stand-in PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(build ${WORK}/build-stand-in)
run("configuring with GENVERSION_EXECUTABLE" ${CMAKE_COMMAND} -S ${source}
    -B ${build} -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix}
    -DGENVERSION_EXECUTABLE=${WORK}/stand-in)
run("building with GENVERSION_EXECUTABLE" ${CMAKE_COMMAND} --build ${build})
expect_program_prints(${build}/consumer "consumer 9.9.9\n")

# A CONFIGURE_AC that does not exist fails at configure time, naming it.
file(READ ${source}/CMakeLists.txt lists)
string(REPLACE "CONFIGURE_AC configure.ac" "CONFIGURE_AC nowhere.ac" lists
       "${lists}")
file(WRITE ${source}/CMakeLists.txt "${lists}")
run("may fail" ${CMAKE_COMMAND} -S ${source} -B ${WORK}/build-nowhere
    -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix})
# CMake wraps the message's lines where it likes.
string(REGEX REPLACE "[ \n]+" " " flat_output "${output}")
if(status EQUAL 0 OR NOT flat_output MATCHES "nowhere.ac is not a file")
  message(FATAL_ERROR "a missing CONFIGURE_AC was not refused at configure time:\n${output}")
endif()
message(STATUS "consumer checks passed (${GENERATOR})")
