# genversion_get_version(): the version at configure time, for project(),
# configure_file(), package version files, CPack and resources. Included by
# genversion's own build (top level, add_subdirectory or FetchContent) and
# by its installed CMake package.
#
#   genversion_get_version(<var> LIB_NAME <name> CONFIGURE_AC <configure.ac>
#                          [VALUES <NAME>...] [M4 <NAME>...])
#
# Sets, in the caller's scope:
#   <var>        the version, exactly as genversion prints it between quotes
#   <var>_MAJOR, <var>_MINOR, <var>_PATCH, <var>_TWEAK
#                its leading dot-separated decimal numbers, empty where it
#                has fewer (3.2.0-rc1 gives 3, 2, 0 and empty)
#   <var>_NUMERIC  one to four of those numbers with their dots, as
#                project(VERSION) takes them (10.48, 3.2.0), or empty
#   <var>_SUFFIX   the rest of the version (-rc1, beta1, empty)
#   <NAME>       for each VALUES name, the value the configure script gives
#                it (PACKAGE_BUGREPORT, PACKAGE_URL, ..., or a variable the
#                file sets, as LIB_CURRENT), and for each M4 name, the
#                expansion of that m4 macro where AC_INIT is read: so that
#                Autotools templates work with configure_file(... @ONLY)
#                as they stand
# and makes an edit of <configure.ac> run configure again on the next build.
# One run of genversion gives all the values. Where it finds no version, or
# a value asked for cannot be given exactly, configure stops with its
# message.
#
# The program run is GENVERSION_EXECUTABLE where that is set, else the
# installed genversion::genversion, else (genversion taken in as source)
# a genversion built now, once, in genversion's folder of the build tree,
# and brought up to date on each configure.
include_guard(GLOBAL)
include("${CMAKE_CURRENT_LIST_DIR}/genversion_names_hint.cmake")

set(GENVERSION_EXECUTABLE "" CACHE FILEPATH
    "genversion to run instead of the target genversion::genversion (for cross-compiling)")

# Where this file is included by genversion's own build: its source, the
# folder where the program can be built at configure time, and the C++
# compiler that genversion's project() found.
if(EXISTS "${CMAKE_CURRENT_LIST_DIR}/../src/main.cc")
  get_filename_component(_genversion_source "${CMAKE_CURRENT_LIST_DIR}/.."
                         ABSOLUTE)
  set_property(GLOBAL PROPERTY genversion_source_dir "${_genversion_source}")
  set_property(GLOBAL PROPERTY genversion_configure_time_dir
               "${CMAKE_CURRENT_BINARY_DIR}/configure-time")
  set_property(GLOBAL PROPERTY genversion_cxx_compiler_id
               "${CMAKE_CXX_COMPILER_ID}")
  set_property(GLOBAL PROPERTY genversion_cxx_simulate_id
               "${CMAKE_CXX_SIMULATE_ID}")
  unset(_genversion_source)
endif()

# Compiles genversion's sources straight into the program, with no CMake
# project of its own to configure (GCC and Clang only): in one unity file
# per core, each source included whole, the compilers all at once. Skipped
# where the program is newer than every source and was built with the same
# command.
function(_genversion_compile_for_configure source build tool ok_var)
  set(${ok_var} FALSE PARENT_SCOPE)
  get_property(sources GLOBAL PROPERTY genversion_tool_sources)
  set(flags -std=c++17 -O1 -fno-exceptions -fno-rtti "-I${source}/src")
  if(APPLE AND CMAKE_OSX_SYSROOT)
    list(APPEND flags -isysroot "${CMAKE_OSX_SYSROOT}")
  endif()
  set(link_flags "")
  if(WIN32)
    list(APPEND link_flags -municode)
  endif()
  set(stamp "${CMAKE_CXX_COMPILER};${flags};${link_flags};${sources}")
  if(EXISTS "${tool}" AND EXISTS "${build}/stamp")
    file(READ "${build}/stamp" old_stamp)
    set(current TRUE)
    if(NOT old_stamp STREQUAL stamp)
      set(current FALSE)
    endif()
    file(GLOB headers "${source}/src/*.h")
    foreach(file IN LISTS sources headers)
      if(current AND "${file}" IS_NEWER_THAN "${tool}")
        set(current FALSE)
      endif()
    endforeach()
    if(current)
      set(${ok_var} TRUE PARENT_SCOPE)
      return()
    endif()
  endif()
  if(EXISTS "${build}/direct-failed")
    file(READ "${build}/direct-failed" failed_stamp)
    if(failed_stamp STREQUAL stamp)
      return()  # this compiler needs the CMake project
    endif()
  endif()
  message(STATUS "Building genversion for configure time in ${build}")

  # Each source goes to the unity file with the fewest bytes so far.
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  if(cores LESS 1)
    set(cores 1)
  endif()
  math(EXPR last "${cores} - 1")
  foreach(group RANGE ${last})
    set(bytes_${group} 0)
    set(text_${group} "")
  endforeach()
  foreach(file IN LISTS sources)
    set(smallest 0)
    foreach(group RANGE ${last})
      if(bytes_${group} LESS bytes_${smallest})
        set(smallest ${group})
      endif()
    endforeach()
    file(SIZE "${file}" size)
    math(EXPR bytes_${smallest} "${bytes_${smallest}} + ${size}")
    string(APPEND text_${smallest} "#include \"${file}\"\n")
  endforeach()
  set(commands "")
  set(objects "")
  foreach(group RANGE ${last})
    if(text_${group} STREQUAL "")
      continue()
    endif()
    set(unity "${build}/unity-${group}.cc")
    file(WRITE "${unity}" "${text_${group}}")
    list(APPEND commands COMMAND "${CMAKE_CXX_COMPILER}" ${flags} -c "${unity}"
         -o "${build}/unity-${group}.o")
    list(APPEND objects "${build}/unity-${group}.o")
  endforeach()
  # The commands of one execute_process run at the same time; the link
  # runs only where every compile succeeded.
  execute_process(${commands} RESULTS_VARIABLE statuses
                  OUTPUT_VARIABLE log ERROR_VARIABLE log)
  list(REMOVE_DUPLICATES statuses)
  if(statuses STREQUAL "0")
    get_filename_component(bin "${tool}" DIRECTORY)
    file(MAKE_DIRECTORY "${bin}")
    execute_process(
      COMMAND "${CMAKE_CXX_COMPILER}" ${objects} ${link_flags} -o "${tool}"
      RESULT_VARIABLE statuses OUTPUT_VARIABLE log ERROR_VARIABLE log)
  endif()
  if(NOT statuses STREQUAL "0")
    # A compiler that needs more than these flags (a toolchain's own
    # settings) gets a CMake project instead: the caller's fallback.
    message(STATUS "Building genversion directly failed; building it as a "
                   "CMake project instead:\n${log}")
    file(WRITE "${build}/direct-failed" "${stamp}")
    return()
  endif()
  file(WRITE "${build}/stamp" "${stamp}")
  set(${ok_var} TRUE PARENT_SCOPE)
endfunction()

# Builds genversion as a project of its own, with the project's C++
# compiler and generator: for compilers other than GCC and Clang.
function(_genversion_build_project_for_configure source build bin)
  set(options -G "${CMAKE_GENERATOR}")
  if(CMAKE_GENERATOR_PLATFORM)
    list(APPEND options -A "${CMAKE_GENERATOR_PLATFORM}")
  endif()
  if(CMAKE_GENERATOR_TOOLSET)
    list(APPEND options -T "${CMAKE_GENERATOR_TOOLSET}")
  endif()
  if(CMAKE_MAKE_PROGRAM)
    list(APPEND options "-DCMAKE_MAKE_PROGRAM=${CMAKE_MAKE_PROGRAM}")
  endif()
  if(NOT CMAKE_GENERATOR MATCHES "^(Visual Studio|Xcode)")
    list(APPEND options "-DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}")
  endif()
  # The project's flags, tests and install have nothing to do with it, and
  # a shared C++ runtime links everywhere.
  if(NOT EXISTS "${build}/CMakeCache.txt")
    message(STATUS "Building genversion for configure time in ${build}")
    execute_process(
      COMMAND "${CMAKE_COMMAND}" -S "${source}" -B "${build}" ${options}
              -DCMAKE_BUILD_TYPE=Release
              -DGENVERSION_BUILD_TESTING=OFF -DGENVERSION_INSTALL=OFF
              -DGENVERSION_STATIC=OFF
              "-DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${bin}"
              "-DCMAKE_RUNTIME_OUTPUT_DIRECTORY_RELEASE=${bin}"
      RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
    if(NOT status EQUAL 0)
      file(REMOVE "${build}/CMakeCache.txt")
      message(FATAL_ERROR
        "genversion: configuring genversion in ${build} failed:\n${log}")
    endif()
  endif()
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" --build "${build}" --target genversion
            --config Release --parallel ${cores}
    RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR
      "genversion: building genversion in ${build} failed:\n${log}")
  endif()
endfunction()

# Builds genversion from its source, where this file came with it, into a
# folder of its own in genversion's build folder, with the project's C++
# compiler, and leaves the program's path in out_var. Once per configure:
# later calls reuse it.
function(_genversion_build_for_configure out_var)
  get_property(tool GLOBAL PROPERTY genversion_configure_time_tool)
  if(tool)
    set(${out_var} "${tool}" PARENT_SCOPE)
    return()
  endif()
  get_property(source GLOBAL PROPERTY genversion_source_dir)
  if(NOT source)
    message(FATAL_ERROR
      "genversion: no genversion to run: set GENVERSION_EXECUTABLE, or "
      "find_package(genversion) first")
  endif()
  if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR
      "genversion: this build cross-compiles, so the genversion it builds "
      "cannot run here: set GENVERSION_EXECUTABLE to a genversion built "
      "for this machine")
  endif()
  get_property(build GLOBAL PROPERTY genversion_configure_time_dir)
  set(bin "${build}/bin")
  set(tool "${bin}/genversion${CMAKE_EXECUTABLE_SUFFIX}")
  get_property(compiler_id GLOBAL PROPERTY genversion_cxx_compiler_id)
  get_property(simulate_id GLOBAL PROPERTY genversion_cxx_simulate_id)
  set(compiled FALSE)
  if(compiler_id MATCHES "^(GNU|Clang|AppleClang)$"
     AND NOT simulate_id STREQUAL "MSVC")
    _genversion_compile_for_configure("${source}" "${build}" "${tool}"
                                      compiled)
  endif()
  if(NOT compiled)
    _genversion_build_project_for_configure("${source}" "${build}/project"
                                            "${bin}")
  endif()
  set_property(GLOBAL PROPERTY genversion_configure_time_tool "${tool}")
  set(${out_var} "${tool}" PARENT_SCOPE)
endfunction()

# The text of a C string as genversion writes it: \", \\ and \ooo.
function(_genversion_unescape text out_var)
  set(result "")
  while(TRUE)
    string(FIND "${text}" "\\" at)
    if(at EQUAL -1)
      break()
    endif()
    string(SUBSTRING "${text}" 0 ${at} head)
    string(APPEND result "${head}")
    math(EXPR next "${at} + 1")
    string(SUBSTRING "${text}" ${next} 3 escape)
    if(escape MATCHES "^([0-7])([0-7])([0-7])$")
      math(EXPR code "${CMAKE_MATCH_1} * 64 + ${CMAKE_MATCH_2} * 8 + ${CMAKE_MATCH_3}")
      string(ASCII ${code} byte)
      string(APPEND result "${byte}")
      math(EXPR next "${next} + 3")
    else()
      string(SUBSTRING "${text}" ${next} 1 byte)
      string(APPEND result "${byte}")
      math(EXPR next "${next} + 1")
    endif()
    string(SUBSTRING "${text}" ${next} -1 text)
  endwhile()
  set(${out_var} "${result}${text}" PARENT_SCOPE)
endfunction()

function(genversion_get_version var)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "LIB_NAME;CONFIGURE_AC"
                        "VALUES;M4")
  foreach(keyword LIB_NAME CONFIGURE_AC)
    if(NOT DEFINED arg_${keyword} OR arg_${keyword} STREQUAL "")
      message(FATAL_ERROR "genversion_get_version: ${keyword} is required")
    endif()
  endforeach()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "genversion_get_version: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  get_filename_component(configure_ac "${arg_CONFIGURE_AC}" ABSOLUTE
                         BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT EXISTS "${configure_ac}" OR IS_DIRECTORY "${configure_ac}")
    message(FATAL_ERROR
      "genversion_get_version: CONFIGURE_AC ${configure_ac} is not a file")
  endif()
  # A new version, or a fix of a refused one, takes effect on the next
  # build.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               "${configure_ac}")

  set(tool "")
  if(GENVERSION_EXECUTABLE)
    set(tool "${GENVERSION_EXECUTABLE}")
  elseif(TARGET genversion::genversion)
    get_target_property(imported genversion::genversion IMPORTED)
    if(imported)
      get_target_property(tool genversion::genversion LOCATION)
    endif()
  endif()
  if(NOT tool)
    _genversion_build_for_configure(tool)
  endif()

  set(options "")
  set(names "")
  if(arg_VALUES OR arg_M4)
    set(options --get PACKAGE_VERSION)
    foreach(kind IN ITEMS VALUES M4)
      foreach(name IN LISTS arg_${kind})
        if(NOT name MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
          message(FATAL_ERROR
            "genversion_get_version: ${kind} takes shell or m4 names, not '${name}'")
        endif()
        if(kind STREQUAL "VALUES")
          list(APPEND options --get "${name}")
        else()
          list(APPEND options --m4 "${name}")
        endif()
        list(APPEND names "${name}")
      endforeach()
    endforeach()
  endif()
  execute_process(
    COMMAND "${tool}" ${options} "${arg_LIB_NAME}" "${configure_ac}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE message)
  # The first line is the version; the others the values asked, in order.
  string(FIND "${output}" "\n" end)
  if(end EQUAL -1)
    set(line "${output}")
    set(output "")
  else()
    string(SUBSTRING "${output}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${output}" ${end} -1 output)
  endif()
  if(NOT status EQUAL 0)
    string(STRIP "${message}" message)
    if(message STREQUAL "Error: Version string could not be found!")
      # A refusal says what needs Autoconf; this says what to pass.
      _genversion_names_hint("${tool}" "${arg_LIB_NAME}" "${configure_ac}"
                             message)
    elseif(message STREQUAL "")
      set(message "${tool} failed (${status})")
    endif()
    message(FATAL_ERROR "${message}")
  endif()
  if(NOT line MATCHES "^#define PACKAGE_VERSION \"([^\"]*)\"\n?$")
    message(FATAL_ERROR
      "genversion_get_version: ${tool} printed '${line}', not a version")
  endif()
  set(version "${CMAKE_MATCH_1}")
  set(${var} "${version}" PARENT_SCOPE)
  foreach(name IN LISTS names)
    string(FIND "${output}" "\n" end)
    if(end EQUAL -1)
      message(FATAL_ERROR
        "genversion_get_version: ${tool} printed no value of ${name}")
    endif()
    string(SUBSTRING "${output}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${output}" ${end} -1 output)
    string(LENGTH "#define ${name} \"" head)
    string(LENGTH "${line}" length)
    math(EXPR length "${length} - ${head} - 1")
    string(SUBSTRING "${line}" 0 ${head} start)
    if(NOT start STREQUAL "#define ${name} \"" OR length LESS 0)
      message(FATAL_ERROR
        "genversion_get_version: ${tool} printed '${line}', not ${name}")
    endif()
    string(SUBSTRING "${line}" ${head} ${length} value)
    _genversion_unescape("${value}" value)
    set(${name} "${value}" PARENT_SCOPE)
  endforeach()

  # The leading numbers: each the digits that start a part, up to the first
  # part that is not a number alone.
  set(rest "${version}")
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(number "")
    if(rest MATCHES "^([0-9]+)(.*)$")
      set(number "${CMAKE_MATCH_1}")
      set(rest "${CMAKE_MATCH_2}")
      if(rest MATCHES "^\\.(.*)$")
        set(rest "${CMAKE_MATCH_1}")
      else()
        set(rest "-")
      endif()
    else()
      set(rest "-")
    endif()
    set(${var}_${part} "${number}" PARENT_SCOPE)
  endforeach()

  # One to four leading numbers, as project(VERSION) and package version
  # files take them, and the rest.
  set(numeric "")
  set(suffix "${version}")
  if(version MATCHES "^([0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?)(.*)$")
    set(numeric "${CMAKE_MATCH_1}")
    set(suffix "${CMAKE_MATCH_5}")
  endif()
  set(${var}_NUMERIC "${numeric}" PARENT_SCOPE)
  set(${var}_SUFFIX "${suffix}" PARENT_SCOPE)
endfunction()
