# Runs the tool for one black-box case and compares what it writes to stdout
# and stderr, byte for byte, and its exit status with the case.
#
#   cmake -DPROGRAM=<tool> -DCASE=<file.case> -DFIXTURES=<dir> -DWORK=<dir>
#         [-DEMULATOR=<command>] [-DNEWLINE=LF|CRLF] -P run_case.cmake
#
# A case file holds one directive a line; blank lines and lines starting
# with '#' are ignored:
#   arg TEXT          one argument; "arg" alone is an empty argument
#   status N          the expected exit status (default 0)
#   stdout TEXT       expected stdout; several lines join up (default empty)
#   stderr TEXT       expected stderr, likewise
#   stdout-to PATH    send stdout to PATH instead and do not compare it
#   platform NAME     run only on posix or only on win32
# TEXT takes the escapes \n \r \t \\ and \xNN, and these placeholders:
#   @FIXTURES@  the folder of tests/fixtures
#   @PROGRAM@   the file name of the tool (genversion or genversion.exe)
#   @DATE@      in expected stderr only: the build date of the banner, which
#               must have the form "Mmm dd yyyy" (day padded with a space)
# With NEWLINE=CRLF every newline expected is a carriage return and a line
# feed, as a Windows console program writes in text mode.

cmake_minimum_required(VERSION 3.20)

function(decode_escapes text out_var)
  set(result "")
  while(TRUE)
    string(FIND "${text}" "\\" at)
    if(at EQUAL -1)
      break()
    endif()
    string(SUBSTRING "${text}" 0 ${at} before)
    string(APPEND result "${before}")
    math(EXPR after "${at} + 1")
    string(SUBSTRING "${text}" ${after} 1 kind)
    math(EXPR after "${after} + 1")
    if(kind STREQUAL "n")
      string(APPEND result "\n")
    elseif(kind STREQUAL "r")
      string(APPEND result "\r")
    elseif(kind STREQUAL "t")
      string(APPEND result "\t")
    elseif(kind STREQUAL "\\")
      string(APPEND result "\\")
    elseif(kind STREQUAL "x")
      string(SUBSTRING "${text}" ${after} 2 hex)
      if(NOT hex MATCHES "^[0-9A-Fa-f][0-9A-Fa-f]$")
        message(FATAL_ERROR "${CASE}: bad escape \\x${hex}")
      endif()
      math(EXPR code "0x${hex}")
      string(ASCII ${code} byte)
      string(APPEND result "${byte}")
      math(EXPR after "${after} + 2")
    else()
      message(FATAL_ERROR "${CASE}: unknown escape \\${kind}")
    endif()
    string(SUBSTRING "${text}" ${after} -1 text)
  endwhile()
  string(APPEND result "${text}")
  string(REPLACE "@FIXTURES@" "${FIXTURES}" result "${result}")
  string(REPLACE "@PROGRAM@" "${program_name}" result "${result}")
  set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

get_filename_component(program_name "${PROGRAM}" NAME)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

set(command "")
foreach(part IN LISTS EMULATOR)
  string(APPEND command " [==[${part}]==]")
endforeach()
string(APPEND command " [==[${PROGRAM}]==]")
set(expected_status 0)
set(expected_stdout "")
set(expected_stderr "")
set(stdout_file "${WORK}/stdout")
set(compare_stdout TRUE)

# Read line by line by hand: a CMake list would lose ';' and empty lines.
file(READ "${CASE}" content)
while(NOT content STREQUAL "")
  string(FIND "${content}" "\n" end)
  if(end EQUAL -1)
    set(line "${content}")
    set(content "")
  else()
    string(SUBSTRING "${content}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${content}" ${end} -1 content)
  endif()
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(FIND "${line}" " " space)
  if(space EQUAL -1)
    set(directive "${line}")
    set(value "")
  else()
    string(SUBSTRING "${line}" 0 ${space} directive)
    math(EXPR space "${space} + 1")
    string(SUBSTRING "${line}" ${space} -1 value)
  endif()
  decode_escapes("${value}" value)
  if(directive STREQUAL "arg")
    string(APPEND command " [==[${value}]==]")
  elseif(directive STREQUAL "status")
    set(expected_status "${value}")
  elseif(directive STREQUAL "stdout")
    string(APPEND expected_stdout "${value}")
  elseif(directive STREQUAL "stderr")
    string(APPEND expected_stderr "${value}")
  elseif(directive STREQUAL "stdout-to")
    set(stdout_file "${value}")
    set(compare_stdout FALSE)
  elseif(directive STREQUAL "platform")
  else()
    message(FATAL_ERROR "${CASE}: unknown directive '${directive}'")
  endif()
endwhile()

cmake_language(EVAL CODE "
  execute_process(COMMAND ${command}
    OUTPUT_FILE [==[${stdout_file}]==]
    ERROR_FILE [==[${WORK}/stderr]==]
    RESULT_VARIABLE actual_status)")

if(NEWLINE STREQUAL "CRLF")
  string(REPLACE "\n" "\r\n" expected_stdout "${expected_stdout}")
  string(REPLACE "\n" "\r\n" expected_stderr "${expected_stderr}")
endif()

set(failures "")
file(READ "${WORK}/stderr" actual_stderr)
if(expected_stderr MATCHES "@DATE@")
  set(month "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)")
  set(day "( [1-9]|[12][0-9]|3[01])")
  if(actual_stderr MATCHES "QUORIX \\[(${month} ${day} [0-9][0-9][0-9][0-9])\\]")
    string(REPLACE "@DATE@" "${CMAKE_MATCH_1}" expected_stderr "${expected_stderr}")
  else()
    string(APPEND failures "no banner with a build date of the form 'Mmm dd yyyy'\n")
  endif()
endif()

function(compare stream expected actual_file)
  file(WRITE "${WORK}/expected-${stream}" "${expected}")
  file(READ "${WORK}/expected-${stream}" expected_hex HEX)
  file(READ "${actual_file}" actual_hex HEX)
  if(NOT expected_hex STREQUAL actual_hex)
    file(READ "${actual_file}" actual)
    set(failures "${failures}${stream} differs\n--- expected:\n${expected}\n--- actual:\n${actual}\n--- expected (hex): ${expected_hex}\n--- actual (hex):   ${actual_hex}\n" PARENT_SCOPE)
  endif()
endfunction()

if(compare_stdout)
  compare(stdout "${expected_stdout}" "${stdout_file}")
endif()
compare(stderr "${expected_stderr}" "${WORK}/stderr")
if(NOT actual_status STREQUAL expected_status)
  string(APPEND failures "exit status: expected ${expected_status}, got ${actual_status}\n")
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${CASE}:\n${failures}")
endif()
