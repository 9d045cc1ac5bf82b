# Helpers of the scripts that build an example project and check it
# (check_consumer.cmake, check_subproject.cmake).

# Runs a command; fails the check unless it succeeds or WHAT is "may fail".
# Leaves its status and its output (stdout and stderr) in the caller's
# status and output.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(output "${output}" PARENT_SCOPE)
  set(status "${status}" PARENT_SCOPE)
  if(NOT status EQUAL 0 AND NOT what STREQUAL "may fail")
    message(FATAL_ERROR "${what} failed (${status}):\n${output}")
  endif()
endfunction()

# Runs the program and fails the check unless it prints expected.
function(expect_program_prints program expected)
  run("running ${program}" ${program})
  if(NOT output STREQUAL expected)
    message(FATAL_ERROR "${program} printed '${output}', expected '${expected}'")
  endif()
endfunction()
