# Builds tests/subproject/, a project that takes genversion in with
# FetchContent or add_subdirectory, and checks that genversion behaves as a
# good part of someone else's build:
#   - the parent configures without GoogleTest (GTest is disabled);
#   - its build type stays the one it chose (Debug);
#   - nothing of genversion's leaks into it: its CMAKE_PROJECT_VERSION and
#     CPack's package version stay its own, with and without a VERSION in
#     its project(), and its cache holds no entry that the same parent
#     without genversion lacks, but for GENVERSION_*, those CMake makes for
#     any project taken in, and those of the C++ compiler genversion needs;
#   - its build compiles no source of genversion's: the program built at
#     configure time makes the header;
#   - its program prints the version of its configure.ac, from the header
#     and from genversion_get_version(), and a new version reaches both on
#     the next build;
#   - its ctest lists its own test only, and its install installs its own
#     program only;
#   - (add_subdirectory) with a C++ compiler that cannot build genversion's
#     sources straight, genversion is built as a CMake project instead,
#     and that is not tried again on the next configure.
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

# The parent's version stays its own: none, or the one its project() gives.
function(expect_parent_version build_dir version)
  file(STRINGS ${build_dir}/CMakeCache.txt cached
       REGEX "^CMAKE_PROJECT_VERSION[:=]")
  file(STRINGS ${build_dir}/CPackConfig.cmake cpack_version
       REGEX "^set\\(CPACK_PACKAGE_VERSION ")
  set(expected_cpack "${version}")
  if(version STREQUAL "")
    set(expected_cpack "0.1.1")  # CPack's own default
  else()
    set(cached_expected "CMAKE_PROJECT_VERSION:STATIC=${version}")
  endif()
  if(NOT "${cached}" STREQUAL "${cached_expected}"
     OR NOT cpack_version STREQUAL "set(CPACK_PACKAGE_VERSION \"${expected_cpack}\")")
    message(FATAL_ERROR "genversion changed the parent's version: cache "
                        "'${cached}', CPack '${cpack_version}'")
  endif()
endfunction()
expect_parent_version(${build} "")
run("configuring a parent with a version" ${CMAKE_COMMAND} -S ${source}
    -B ${WORK}/build-versioned -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Debug
    -DGENVERSION_TAKEN_WITH=${TAKEN_WITH} -DPARENT_PROJECT_VERSION=5.6.7
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
expect_parent_version(${WORK}/build-versioned 5.6.7)

# Cache entries beyond those of the same parent without genversion.
run("configuring the parent without genversion" ${CMAKE_COMMAND}
    -S ${source} -B ${WORK}/build-none -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Debug -DGENVERSION_TAKEN_WITH=none
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
function(cache_names build_dir out_var)
  file(STRINGS ${build_dir}/CMakeCache.txt entries REGEX "^[A-Za-z_][^:=]*:")
  set(names "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ":.*" "" name "${entry}")
    list(APPEND names "${name}")
  endforeach()
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()
cache_names(${build} with_genversion)
cache_names(${WORK}/build-none without_genversion)
list(REMOVE_ITEM with_genversion ${without_genversion})
list(FILTER with_genversion EXCLUDE REGEX
     "^(GENVERSION_.*|genversion_(SOURCE_DIR|BINARY_DIR|IS_TOP_LEVEL)|FETCHCONTENT_.*|CMAKE_CXX_.*)$")
if(with_genversion)
  message(FATAL_ERROR "genversion added cache entries: ${with_genversion}")
endif()

run("building the parent" ${CMAKE_COMMAND} --build ${build})
if(output MATCHES "[A-Za-z_]+\\.cc")
  message(FATAL_ERROR "the parent's build compiled genversion's "
                      "${CMAKE_MATCH_0}:\n${output}")
endif()
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

if(TAKEN_WITH STREQUAL "add_subdirectory")
  # A compiler that cannot build genversion's sources straight (here one
  # that refuses unity files) gets genversion built as a CMake project.
  set(wrapper ${WORK}/c++-without-unity)
  file(WRITE ${wrapper} "#!/bin/sh
case \"$*\" in *unity-*) echo 'no unity files here' >&2; exit 1 ;; esac
exec c++ \"$@\"
")
  file(CHMOD ${wrapper} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  run("configuring with a compiler that needs a project" ${CMAKE_COMMAND}
      -S ${source} -B ${WORK}/build-fallback -G ${GENERATOR}
      -DGENVERSION_TAKEN_WITH=${TAKEN_WITH} -DCMAKE_CXX_COMPILER=${wrapper}
      -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
  if(NOT output MATCHES "building it as a CMake project instead")
    message(FATAL_ERROR "no fallback to a CMake project:\n${output}")
  endif()
  run("building with the fallback" ${CMAKE_COMMAND} --build
      ${WORK}/build-fallback)
  expect_program_prints(${WORK}/build-fallback/parent "parent 2.4.0 2.4.0\n")
  run("configuring with the fallback again" ${CMAKE_COMMAND}
      -S ${source} -B ${WORK}/build-fallback)
  if(output MATCHES "directly failed")
    message(FATAL_ERROR "the direct build was tried again:\n${output}")
  endif()
endif()
