# Builds tests/subproject/, a project that takes genversion in with
# FetchContent or add_subdirectory, and checks that genversion behaves as a
# good part of someone else's build:
#   - the parent configures without GoogleTest (GTest is disabled);
#   - its build type stays the one it chose (Debug);
#   - its program prints the version of its configure.ac, from the header
#     and from genversion_get_version(), and a new version reaches both on
#     the next build;
#   - its ctest lists its own test only, and its install installs its own
#     program only.
#
#   cmake -DSOURCE_DIR=<genversion source> -DWORK=<dir> -DGENERATOR=<name>
#         -DTAKEN_WITH=FetchContent|add_subdirectory -P check_subproject.cmake
cmake_minimum_required(VERSION 3.24)

include(${CMAKE_CURRENT_LIST_DIR}/build_checks.cmake)

set(source ${WORK}/source)
set(build ${WORK}/build)
set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
set(GENVERSION_SOURCE ${SOURCE_DIR})
configure_file(${SOURCE_DIR}/tests/subproject/CMakeLists.txt.in
               ${source}/CMakeLists.txt @ONLY)
file(COPY ${SOURCE_DIR}/tests/subproject/main.c
          ${SOURCE_DIR}/tests/subproject/configure.ac
     DESTINATION ${source})

run("configuring the parent" ${CMAKE_COMMAND} -S ${source} -B ${build}
    -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Debug
    -DGENVERSION_TAKEN_WITH=${TAKEN_WITH}
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
file(STRINGS ${build}/CMakeCache.txt build_type
     REGEX "^CMAKE_BUILD_TYPE:")
if(NOT build_type STREQUAL "CMAKE_BUILD_TYPE:STRING=Debug")
  message(FATAL_ERROR "the parent's build type became '${build_type}'")
endif()

run("building the parent" ${CMAKE_COMMAND} --build ${build})
expect_program_prints(${build}/parent "parent 2.3.4 2.3.4\n")

run("listing the parent's tests" ${CMAKE_CTEST_COMMAND} -N --test-dir ${build})
if(NOT output MATCHES "Total Tests: 1\n" OR NOT output MATCHES "parent.runs")
  message(FATAL_ERROR "the parent's ctest lists other tests:\n${output}")
endif()

run("installing the parent" ${CMAKE_COMMAND} --install ${build}
    --prefix ${prefix})
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
if(NOT installed MATCHES "^bin/parent(\\.exe)?$")
  message(FATAL_ERROR "the parent's install installed: ${installed}")
endif()

file(READ ${source}/configure.ac configure_ac)
string(REPLACE "[2.3.4]" "[2.4.0]" new_version "${configure_ac}")
file(WRITE ${source}/configure.ac "${new_version}")
run("building after a new version" ${CMAKE_COMMAND} --build ${build})
expect_program_prints(${build}/parent "parent 2.4.0 2.4.0\n")
