# The native module must define exactly the three exports in its dynamic
# symbol table, nothing else.
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected scdll_DLLName scdll_DLLVersion scsf_zrPalvessa)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "module defines [${names}], expected exactly [${expected}]")
endif()
message(STATUS "exports: ${names}")
