# Renders the man page as man(1) does, with groff's warnings on, and fails
# on any warning; its header must name the project's version.
#
#   cmake -DMAN=<man> -DPAGE=<genversion.1> -DVERSION=<x.y.z>
#         -P check_man_page.cmake
cmake_minimum_required(VERSION 3.20)

file(STRINGS ${PAGE} title REGEX "^\\.TH ")
if(NOT title MATCHES "\"genversion ${VERSION}\"")
  message(FATAL_ERROR "the page's .TH does not name genversion ${VERSION}: ${title}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 LC_ALL=C.UTF-8
          ${MAN} --warnings -E UTF-8 -l ${PAGE}
  RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "man -l ${PAGE} (status ${status}):\n${warnings}")
endif()
foreach(section NAME SYNOPSIS DESCRIPTION ARGUMENTS "MATCHING RULES" OUTPUT
        DIAGNOSTICS "EXIT STATUS" EXAMPLES)
  if(NOT text MATCHES "\n${section}\n")
    message(FATAL_ERROR "the rendered page has no ${section} section")
  endif()
endforeach()
