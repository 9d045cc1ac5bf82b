# Runs the tool for one black-box case and compares what it writes to stdout
# and stderr, byte for byte, and its exit status with the case.
#
#   cmake -DPROGRAM=<tool> -DCASE=<file.case> -DFIXTURES=<dir> -DWORK=<dir>
#         -DINPUT_MAKER=<make_case_input> [-DRUNNER=<case_runner>]
#         [-DCHECK_RSS=ON|OFF] [-DEMULATOR=<command>] [-DNEWLINE=LF|CRLF]
#         -P run_case.cmake
#
# A case file holds one directive a line; blank lines and lines starting
# with '#' are ignored:
#   arg TEXT          one argument; "arg" alone is an empty argument
#   status N          the expected exit status (default 0)
#   stdout TEXT       expected stdout; several lines join up (default empty)
#   stderr TEXT       expected stderr, likewise
#   stdout-to PATH    send stdout to PATH instead and do not compare it
#   platform NAME     run only on posix or only on win32
#   heavy             reads gigabytes: not run in the sanitizers' builds
#   define NAME N TEXT   the placeholder @NAME@ stands for TEXT, N times over
#   file NAME N TEXT     append TEXT, N times over, to the work file NAME
#                        (NAME may hold folders: a/b/c.ac)
#   random NAME SIZE SEED  append SIZE pseudo-random bytes to work file NAME
#   sparse NAME SIZE  append SIZE zero bytes to work file NAME as a hole, so
#                     that it takes no disk (POSIX only)
#   max-rss KIB       fail if the tool's peak resident memory is larger;
#                     checked only with the POSIX runner and CHECK_RSS ON
#                     (sanitizer builds turn it off)
# These need the POSIX runner (cases that use them say "platform posix"):
#   fifo NAME SOURCE  the input NAME is a FIFO that another process feeds
#                     with the bytes of the file SOURCE
#   close-stdout      run the tool with its standard output closed
# TEXT takes the escapes \n \r \t \\ and \xNN, and these placeholders:
#   @FIXTURES@  the folder of tests/fixtures
#   @WORK@      this case's own work folder, where work files are made
#   @PROGRAM@   the file name of the tool (genversion or genversion.exe)
#   @DATE@      in expected stderr only: the build date of the banner, which
#               must have the form "Mmm dd yyyy" (day padded with a space)
# Work files are made before the tool runs and removed after it.
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
  set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

set(placeholders FIXTURES WORK PROGRAM)
function(expand_placeholders text out_var)
  foreach(name IN LISTS placeholders)
    string(REPLACE "@${name}@" "${placeholder_${name}}" text "${text}")
  endforeach()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Splits "FIRST REST" at the first space.
function(split_first text first_var rest_var)
  string(FIND "${text}" " " space)
  if(space EQUAL -1)
    set(${first_var} "${text}" PARENT_SCOPE)
    set(${rest_var} "" PARENT_SCOPE)
  else()
    string(SUBSTRING "${text}" 0 ${space} first)
    math(EXPR space "${space} + 1")
    string(SUBSTRING "${text}" ${space} -1 rest)
    set(${first_var} "${first}" PARENT_SCOPE)
    set(${rest_var} "${rest}" PARENT_SCOPE)
  endif()
endfunction()

function(make_work_file kind name size text)
  if(NOT name MATCHES "^[A-Za-z0-9_-][A-Za-z0-9._-]*(/[A-Za-z0-9_-][A-Za-z0-9._-]*)*$")
    message(FATAL_ERROR "${CASE}: bad work file name '${name}'")
  endif()
  get_filename_component(folder "${WORK}/${name}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  execute_process(COMMAND ${EMULATOR} ${INPUT_MAKER} ${kind} "${WORK}/${name}"
                          ${size} "${text}"
                  RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "${CASE}: could not make work file ${name}")
  endif()
  set(work_files ${work_files} "${WORK}/${name}" PARENT_SCOPE)
endfunction()

get_filename_component(placeholder_PROGRAM "${PROGRAM}" NAME)
set(placeholder_FIXTURES "${FIXTURES}")
set(placeholder_WORK "${WORK}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(work_files "")
set(runner_options "")

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
  split_first("${line}" directive value)
  expand_placeholders("${value}" value)
  if(directive STREQUAL "sparse")
    set(value "${value} -")
  endif()
  if(directive MATCHES "^(define|file|random|sparse)$")
    split_first("${value}" name value)
    split_first("${value}" count text)
    if(NOT count MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${CASE}: '${directive}' needs a count: ${line}")
    endif()
    if(directive STREQUAL "define")
      decode_escapes("${text}" text)
      string(REPEAT "${text}" ${count} placeholder_${name})
      list(APPEND placeholders ${name})
    elseif(directive STREQUAL "file")
      make_work_file(fill "${name}" ${count} "${text}")
    elseif(directive STREQUAL "sparse")
      make_work_file(sparse "${name}" ${count} "${text}")
    else()
      make_work_file(random "${name}" ${count} "${text}")
    endif()
    continue()
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
  elseif(directive STREQUAL "platform" OR directive STREQUAL "heavy")
  elseif(directive STREQUAL "max-rss")
    if(RUNNER AND CHECK_RSS)
      list(APPEND runner_options --max-rss "${value}")
    endif()
  elseif(directive MATCHES "^(fifo|close-stdout)$")
    if(NOT RUNNER)
      message(FATAL_ERROR "${CASE}: '${directive}' needs the POSIX runner")
    endif()
    if(directive STREQUAL "fifo")
      split_first("${value}" name source)
      list(APPEND runner_options --fifo "${WORK}/${name}" "${source}")
    else()
      list(APPEND runner_options --close-stdout)
    endif()
  else()
    message(FATAL_ERROR "${CASE}: unknown directive '${directive}'")
  endif()
endwhile()

if(runner_options)
  # The runner is built for the target too: under an emulator, it runs
  # there as well, and starts the emulator with the tool.
  set(runner_command "")
  foreach(part IN LISTS EMULATOR)
    string(APPEND runner_command " [==[${part}]==]")
  endforeach()
  string(APPEND runner_command " [==[${RUNNER}]==]")
  foreach(option IN LISTS runner_options)
    string(APPEND runner_command " [==[${option}]==]")
  endforeach()
  string(PREPEND command "${runner_command} --")
endif()

cmake_language(EVAL CODE "
  execute_process(COMMAND ${command}
    OUTPUT_FILE [==[${stdout_file}]==]
    ERROR_FILE [==[${WORK}/stderr]==]
    RESULT_VARIABLE actual_status)")
if(work_files)
  file(REMOVE ${work_files})
endif()

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
