# Builds tests/parent/, a C-only library that takes its version from
# configure.ac at configure time, with genversion taken in as source
# (FetchContent, no installed genversion) or as the installed package, and
# checks:
#   - project(), the .pc file and the package version file hold the
#     version of configure.ac, and the program prints it;
#   - targets in two folders that include the generated header through
#     config.h build from clean with many jobs, again and again;
#   - its static and shared libraries, linked to the header target, install
#     and export (install(EXPORT), export()) with no genversion target, and
#     a project that uses the installed package builds against them;
#   - the bug-report address and URL reach the Autotools .pc.in as it
#     stands, and libtool's numbers set in configure.ac name the shared
#     library's files as libtool would;
#   - a new version, address and interface numbers in configure.ac reach
#     the .pc file, the library's files and the program on the next build,
#     without a configure run by hand;
#   - a version genversion refuses stops configure with genversion's own
#     message, and nothing else complains about a missing version;
#   - with STRICT, genversion's sources build with the parent's strict
#     warning flags as errors.
#
#   cmake -DSOURCE_DIR=<genversion source> -DBUILD_DIR=<genversion build>
#         -DWORK=<dir> -DGENERATOR=<name> -DROUTE=FetchContent|package
#         [-DSTRICT=ON] [-DCOMPILER=clang] -P check_parent.cmake
cmake_minimum_required(VERSION 3.24)

include(${CMAKE_CURRENT_LIST_DIR}/build_checks.cmake)

set(source ${WORK}/source)
set(build ${WORK}/build)
file(REMOVE_RECURSE ${WORK})
file(COPY ${SOURCE_DIR}/tests/parent/ DESTINATION ${source})
set(route_options -DGENVERSION_ROUTE=${ROUTE})
if(ROUTE STREQUAL "package")
  set(prefix ${WORK}/prefix)
  run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
  list(APPEND route_options -DCMAKE_PREFIX_PATH=${prefix})
else()
  # No installed genversion may be found.
  list(APPEND route_options -DGENVERSION_SOURCE=${SOURCE_DIR}
       -DCMAKE_DISABLE_FIND_PACKAGE_genversion=ON)
endif()
if(STRICT)
  list(APPEND route_options -DSTRICT=ON)
endif()
if(COMPILER STREQUAL "clang")
  list(APPEND route_options -DCMAKE_C_COMPILER=clang
       -DCMAKE_CXX_COMPILER=clang++)
endif()
set(config "")
if(GENERATOR MATCHES "Multi-Config")
  set(config --config Release)
  set(program ${build}/app/Release/codec_app)
  set(library_dir ${build}/lib/Release)
else()
  set(program ${build}/app/codec_app)
  set(library_dir ${build}/lib)
endif()

function(expect_version version)
  expect_program_prints(${program} "codec ${version}\n")
  file(STRINGS ${build}/codec.pc pc_version REGEX "^Version:")
  if(NOT pc_version STREQUAL "Version: ${version}")
    message(FATAL_ERROR "codec.pc holds '${pc_version}', not ${version}")
  endif()
  file(STRINGS ${build}/codec.pc pc_description REGEX "^Description:")
  if(NOT pc_description MATCHES "bugs to ${bugs}\\)$")
    message(FATAL_ERROR "codec.pc holds '${pc_description}', not ${bugs}")
  endif()
  file(GLOB shared_files RELATIVE ${library_dir} ${library_dir}/libcodec.so*)
  list(SORT shared_files)
  if(NOT shared_files STREQUAL "${so_files}")
    message(FATAL_ERROR "the shared library's files are '${shared_files}', not '${so_files}'")
  endif()
  string(REGEX MATCH "^[0-9]+(\\.[0-9]+)*" numbers "${version}")
  file(STRINGS ${build}/codecConfigVersion.cmake package_version
       REGEX "set\\(PACKAGE_VERSION ")
  if(NOT package_version MATCHES "\"${numbers}\"")
    message(FATAL_ERROR "codecConfigVersion.cmake holds '${package_version}', not ${numbers}")
  endif()
endfunction()

# What configure.ac gives: bug reports to, and libtool's 8:6:3 names the
# files libcodec.so.5 and libcodec.so.5.3.6.
set(bugs codec-bugs@example.org)
set(so_files "libcodec.so;libcodec.so.5;libcodec.so.5.3.6")
string(TIMESTAMP started "%s")
run("configuring the parent" ${CMAKE_COMMAND} -S ${source} -B ${build}
    -G ${GENERATOR} ${route_options})
string(TIMESTAMP configured "%s")
math(EXPR seconds "${configured} - ${started}")
message(STATUS "configure took ${seconds} s (${ROUTE}, ${GENERATOR})")
run("building the parent" ${CMAKE_COMMAND} --build ${build} ${config}
    --parallel 16)
expect_version(1.4.2-rc1)

if(STRICT AND ROUTE STREQUAL "FetchContent")
  # The parent's build uses the genversion built at configure time; its
  # target, built on request, must be quiet under the parent's flags too.
  run("building genversion's target with the parent's flags"
      ${CMAKE_COMMAND} --build ${build} ${config} --target genversion)
endif()

# The libraries install and export with the header target linked, and the
# installed package is used: nothing of genversion's is installed or
# asked for.
set(installed ${WORK}/installed)
run("installing the parent" ${CMAKE_COMMAND} --install ${build} ${config}
    --prefix ${installed})
file(GLOB_RECURSE installed_files RELATIVE ${installed} ${installed}/*)
foreach(file IN LISTS installed_files)
  if(file MATCHES "genversion|version\\.h")
    message(FATAL_ERROR "the parent installed genversion's ${file}")
  endif()
endforeach()
foreach(file lib/libcodec.a lib/libcodec.so lib/cmake/codec/codecConfig.cmake)
  if(NOT EXISTS ${installed}/${file})
    message(FATAL_ERROR "the parent did not install ${file}: ${installed_files}")
  endif()
endforeach()
file(GLOB exported ${installed}/lib/cmake/codec/codecTargets*.cmake
     ${build}/codecTargets.cmake)
foreach(file IN LISTS exported)
  file(STRINGS ${file} defined REGEX "add_library\\(codec::codec_version")
  if(defined)
    message(FATAL_ERROR "${file} exports the header target: ${defined}")
  endif()
endforeach()
set(user ${WORK}/user)
file(WRITE ${user}/CMakeLists.txt "cmake_minimum_required(VERSION 3.14)
project(user C)
find_package(codec REQUIRED)
foreach(kind static shared)
  add_executable(user_\${kind} user.c)
  target_link_libraries(user_\${kind} PRIVATE codec::\${kind})
endforeach()
")
file(WRITE ${user}/user.c "#include <stdio.h>
const char* codec_version(void);
int main(void) { printf(\"user %s\\n\", codec_version()); return 0; }
")
run("configuring a user of the installed libraries" ${CMAKE_COMMAND}
    -S ${user} -B ${user}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${installed} -DCMAKE_BUILD_TYPE=Release)
run("building the user" ${CMAKE_COMMAND} --build ${user}/build ${config})
if(GENERATOR MATCHES "Multi-Config")
  set(user_bin ${user}/build/Release)
else()
  set(user_bin ${user}/build)
endif()
expect_program_prints(${user_bin}/user_static "user 1.4.2-rc1\n")
expect_program_prints(${user_bin}/user_shared "user 1.4.2-rc1\n")

# Clean builds with many jobs: no source may compile before version.h is
# made.
set(rounds 3)
foreach(round RANGE 1 ${rounds})
  run("cleaning" ${CMAKE_COMMAND} --build ${build} ${config} --target clean)
  run("building from clean (${round})" ${CMAKE_COMMAND} --build ${build}
      ${config} --parallel 16)
endforeach()
expect_version(1.4.2-rc1)

# Two numbers, as some libraries have, reach project() as they are; a new
# address and new interface numbers reach the .pc file and the library's
# file names on the same build.
file(READ ${source}/configure.ac text)
string(REPLACE "[1.4.2-rc1], [codec-bugs@example.org]"
       "[2.14], [new-bugs@example.org]" text "${text}")
string(REPLACE "CODEC_CURRENT=8" "CODEC_CURRENT=9" text "${text}")
string(REPLACE "CODEC_AGE=3" "CODEC_AGE=0" text "${text}")
file(WRITE ${source}/configure.ac "${text}")
set(bugs new-bugs@example.org)
set(so_files "libcodec.so;libcodec.so.5;libcodec.so.5.3.6;libcodec.so.9;libcodec.so.9.0.6")
run("building after a new version" ${CMAKE_COMMAND} --build ${build} ${config})
expect_version(2.14)

# A refusal stops configure with genversion's message, and the parent's
# use of an empty version never runs.
file(WRITE ${source}/configure.ac
     "AC_INIT([libcodec], m4_esyscmd([git describe]))\n")
run("may fail" ${CMAKE_COMMAND} -S ${source} -B ${WORK}/build-refused
    -G ${GENERATOR} ${route_options})
string(REGEX REPLACE "[ \n]+" " " flat_output "${output}")
if(status EQUAL 0
   OR NOT flat_output MATCHES "configure.ac:1: m4_esyscmd needs Autoconf"
   OR flat_output MATCHES "VERSION")
  message(FATAL_ERROR "the refusal did not stop configure with genversion's message:\n${output}")
endif()
message(STATUS "parent checks passed (${ROUTE}, ${GENERATOR})")
