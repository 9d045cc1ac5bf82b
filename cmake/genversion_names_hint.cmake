# _genversion_names_hint(): what to say where genversion finds no version
# for a library name, shared by genversion_get_version() and the header
# genversion_add_header() writes at build time.
include_guard(GLOBAL)

# Leaves in out_var a message that names the library and the file, and
# the names that the file's AC_INIT calls give (genversion --names), each
# as LIB_NAME would take it.
function(_genversion_names_hint tool lib_name configure_ac out_var)
  execute_process(COMMAND "${tool}" --names "${configure_ac}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE names
                  ERROR_QUIET)
  get_filename_component(file "${configure_ac}" NAME)
  string(CONCAT message "genversion: no AC_INIT call of LIB_NAME "
         "${lib_name} gives a version in ${configure_ac}")
  string(REGEX REPLACE "\n$" "" names "${names}")
  if(NOT status EQUAL 0 OR names STREQUAL "")
    string(APPEND message "\n  ${file} has no AC_INIT call with a name")
  else()
    # One name a line; a name may hold a ';', which a list would split.
    string(REPLACE ";" "\\;" names "${names}")
    string(REPLACE "\n" ";" names "${names}")
    foreach(name IN LISTS names)
      if(name STREQUAL lib_name)
        string(APPEND message "\n  ${file} has AC_INIT(${name}, ...), "
                              "which gives no version")
      else()
        string(APPEND message "\n  ${file} has AC_INIT(${name}, ...): "
                              "pass LIB_NAME ${name}")
      endif()
    endforeach()
  endif()
  set(${out_var} "${message}" PARENT_SCOPE)
endfunction()
