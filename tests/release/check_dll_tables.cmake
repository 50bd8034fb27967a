# The shipped DLL: named zrPalvessa_64.dll in its export directory, exactly
# the three exports, and imports only from DLLs every Windows has.
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

string(REGEX MATCH "\nName[ \t]+[0-9a-f]+ ([^\n]+)" export_name "${dump}")
if(NOT CMAKE_MATCH_1 STREQUAL "zrPalvessa_64.dll")
  message(FATAL_ERROR "export directory names '${CMAKE_MATCH_1}', expected zrPalvessa_64.dll")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)*)" table "${dump}")
# Square brackets would upset CMake's list splitting: turn each row into a name.
string(REGEX REPLACE "[ \t]+\\[[ 0-9]+\\] ([A-Za-z_0-9@]+)\n" "\\1;" exports "${CMAKE_MATCH_1}")
list(SORT exports)
set(expected_exports scdll_DLLName scdll_DLLVersion scsf_zrPalvessa)
if(NOT exports STREQUAL expected_exports)
  message(FATAL_ERROR "exports [${exports}], expected exactly [${expected_exports}]")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(line IN LISTS imports)
  string(SUBSTRING "${line}" 10 -1 import)
  string(TOLOWER "${import}" import_lower)
  if(NOT import_lower MATCHES "^(kernel32|msvcrt)\\.dll$")
    message(FATAL_ERROR "imports ${import}; only KERNEL32.dll and msvcrt.dll are allowed")
  endif()
endforeach()
message(STATUS "export directory: zrPalvessa_64.dll; exports: ${exports}; ${imports}")
