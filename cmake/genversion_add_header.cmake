# genversion_add_header(): the one definition that genversion's own build
# (as a top-level project, or taken in with add_subdirectory or
# FetchContent) and its installed CMake package both include.
#
#   genversion_add_header(OUTPUT <header> LIB_NAME <name>
#                         CONFIGURE_AC <configure.ac> [TARGET <target>])
#
# Writes <header> at build time: one line, #define PACKAGE_VERSION
# "<version>", from the AC_INIT call of <name> in <configure.ac>. With
# TARGET, targets in any folder link <target> (target_link_libraries(foo
# PRIVATE <target>)) to get the header's folder as an include folder and
# the header made before any of their sources compile. Without it, list
# <header> among the sources of a target in the same folder that includes
# it, and add its folder to that target's include folders. It is made again
# when configure.ac (or genversion) changes, but written only when its text
# changes, so that what includes it is not rebuilt for nothing. When no
# version is found the build fails with genversion's message and the last
# good header stays.
#
# The header is made by the program that the cache variable
# GENVERSION_EXECUTABLE names, else by the installed genversion::genversion,
# else (genversion's source taken into the build) by the genversion that
# genversion_get_version() builds at configure time. A build that
# cross-compiles needs a GENVERSION_EXECUTABLE that runs on the build
# machine.
include_guard(GLOBAL)
include("${CMAKE_CURRENT_LIST_DIR}/genversion_get_version.cmake")

set(GENVERSION_EXECUTABLE "" CACHE FILEPATH
    "genversion to run instead of the target genversion::genversion (for cross-compiling)")
# Functions see no variables of the folder that defined them: keep the
# script's path where every caller finds it.
set_property(GLOBAL PROPERTY genversion_write_header_script
             "${CMAKE_CURRENT_LIST_DIR}/genversion_write_header.cmake")

function(genversion_add_header)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;LIB_NAME;CONFIGURE_AC;TARGET"
                        "")
  foreach(keyword OUTPUT LIB_NAME CONFIGURE_AC)
    if(NOT DEFINED arg_${keyword} OR arg_${keyword} STREQUAL "")
      message(FATAL_ERROR "genversion_add_header: ${keyword} is required")
    endif()
  endforeach()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "genversion_add_header: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE
                         BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(configure_ac "${arg_CONFIGURE_AC}" ABSOLUTE
                         BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT EXISTS "${configure_ac}" OR IS_DIRECTORY "${configure_ac}")
    message(FATAL_ERROR
      "genversion_add_header: CONFIGURE_AC ${configure_ac} is not a file")
  endif()
  set(imported FALSE)
  if(TARGET genversion::genversion)
    get_target_property(imported genversion::genversion IMPORTED)
  endif()
  if(GENVERSION_EXECUTABLE)
    set(tool "${GENVERSION_EXECUTABLE}")
    set(tool_dependency "${GENVERSION_EXECUTABLE}")
  elseif(imported OR CMAKE_CROSSCOMPILING)
    set(tool "$<TARGET_FILE:genversion::genversion>")
    set(tool_dependency genversion::genversion)
  else()
    # genversion's source is part of this build: the program built at
    # configure time (once, for genversion_get_version() too) makes the
    # header, and genversion's own targets need not build.
    _genversion_build_for_configure(tool)
    set(tool_dependency "${tool}")
  endif()
  get_property(script GLOBAL PROPERTY genversion_write_header_script)
  file(RELATIVE_PATH shown "${CMAKE_BINARY_DIR}" "${output}")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}"
            "-DGENVERSION=${tool}"
            "-DLIB_NAME=${arg_LIB_NAME}"
            "-DCONFIGURE_AC=${configure_ac}"
            "-DOUTPUT=${output}"
            -P "${script}"
    DEPENDS "${configure_ac}" "${tool_dependency}" "${script}"
    COMMENT "Generating ${shown} from ${arg_CONFIGURE_AC}"
    VERBATIM)
  if(DEFINED arg_TARGET)
    if(TARGET "${arg_TARGET}" OR TARGET "${arg_TARGET}_generate")
      message(FATAL_ERROR
        "genversion_add_header: TARGET ${arg_TARGET} exists already")
    endif()
    # A target that builds nothing cannot carry the custom command into
    # other folders: a utility target here makes the header, and the
    # interface library passes that dependency on to whatever links it.
    add_custom_target("${arg_TARGET}_generate" DEPENDS "${output}")
    add_library("${arg_TARGET}" INTERFACE)
    get_filename_component(folder "${output}" DIRECTORY)
    target_include_directories("${arg_TARGET}" INTERFACE
                               "$<BUILD_INTERFACE:${folder}>")
    add_dependencies("${arg_TARGET}" "${arg_TARGET}_generate")
  endif()
endfunction()
