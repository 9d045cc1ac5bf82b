# genversion_libtool_version(): libtool's numbers of a shared library, for
# CMake's target properties. Included by genversion's own build and by its
# installed CMake package.
#
#   genversion_libtool_version(<prefix> VERSION_INFO <current[:revision[:age]]>)
#   genversion_libtool_version(<prefix> CURRENT <c> [REVISION <r>] [AGE <a>])
#
# takes what libtool's -version-info takes (missing parts are 0) and sets,
# in the caller's scope:
#   <prefix>_SOVERSION      current - age: the SOVERSION property
#   <prefix>_LIBRARY_VERSION  (current - age).age.revision: the VERSION
#                           property; on Linux CMake then names the files
#                           as libtool does (libfoo.so.1.2.3, soname
#                           libfoo.so.1)
#   <prefix>_MACHO_COMPATIBILITY_VERSION  current + 1, and
#   <prefix>_MACHO_CURRENT_VERSION        (current + 1).revision: what
#                           libtool gives the linker on macOS, for the
#                           MACHO_* properties (CMake 3.17 and newer)
# What libtool refuses stops configure: a part that is no decimal number of
# at most five digits without leading zeros, more than three parts, an age
# greater than current.
include_guard(GLOBAL)

function(genversion_libtool_version prefix)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION_INFO;CURRENT;REVISION;AGE"
                        "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "genversion_libtool_version: unknown arguments: "
                        "${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(DEFINED arg_VERSION_INFO)
    if(DEFINED arg_CURRENT OR DEFINED arg_REVISION OR DEFINED arg_AGE)
      message(FATAL_ERROR "genversion_libtool_version: VERSION_INFO or "
                          "CURRENT, REVISION and AGE, not both")
    endif()
    set(given "${arg_VERSION_INFO}")
    string(REPLACE ":" ";" parts "${arg_VERSION_INFO}")
    list(LENGTH parts count)
    if(count GREATER 3)
      message(FATAL_ERROR "genversion_libtool_version: VERSION_INFO "
                          "'${given}' has more than three parts "
                          "(current:revision:age)")
    endif()
    while(count LESS 3)
      list(APPEND parts 0)
      math(EXPR count "${count} + 1")
    endwhile()
    list(GET parts 0 current)
    list(GET parts 1 revision)
    list(GET parts 2 age)
  elseif(DEFINED arg_CURRENT)
    set(current "${arg_CURRENT}")
    set(revision 0)
    set(age 0)
    if(DEFINED arg_REVISION)
      set(revision "${arg_REVISION}")
    endif()
    if(DEFINED arg_AGE)
      set(age "${arg_AGE}")
    endif()
    set(given "${current}:${revision}:${age}")
  else()
    message(FATAL_ERROR
      "genversion_libtool_version: VERSION_INFO or CURRENT is required")
  endif()
  foreach(part current revision age)
    if(NOT "${${part}}" MATCHES "^(0|[1-9][0-9]?[0-9]?[0-9]?[0-9]?)$")
      string(TOUPPER ${part} name)
      message(FATAL_ERROR "genversion_libtool_version: ${name} "
                          "'${${part}}' of '${given}' is not a number libtool "
                          "takes (0 to 99999, no leading zeros)")
    endif()
  endforeach()
  if(age GREATER current)
    message(FATAL_ERROR "genversion_libtool_version: AGE ${age} is greater "
                        "than CURRENT ${current} in '${given}'")
  endif()
  math(EXPR major "${current} - ${age}")
  math(EXPR compatibility "${current} + 1")
  set(${prefix}_SOVERSION "${major}" PARENT_SCOPE)
  set(${prefix}_LIBRARY_VERSION "${major}.${age}.${revision}" PARENT_SCOPE)
  set(${prefix}_MACHO_COMPATIBILITY_VERSION "${compatibility}" PARENT_SCOPE)
  set(${prefix}_MACHO_CURRENT_VERSION "${compatibility}.${revision}"
      PARENT_SCOPE)
endfunction()
