# study_host_case: one run of the built tool against a module, as a row:
# what to run, the exit code, and what standard output or standard error
# must show. Rows run the Windows tool under wine in the Windows build.
set(study_module $<TARGET_FILE:zrPalvessa_64>)
set(tool $<TARGET_FILE:study-host>)
if(CMAKE_CROSSCOMPILING)
  set(tool ${STUDY_WINE_RUNNER} ${tool})
endif()
set(sessions ${PROJECT_SOURCE_DIR}/tests/study-host/sessions)
# study_host_case(NAME EXIT [STDOUT regex] [STDERR regex] [EMPTY_STDOUT]
#                 [STDOUT_FILE path] [STDIN_FILE path] [TOOL path] ARGS ...
#                 [ENVIRONMENT variable=value...])
function(study_host_case name exit_code)
  cmake_parse_arguments(PARSE_ARGV 2 case "EMPTY_STDOUT" "STDOUT;STDERR;STDOUT_FILE;STDIN_FILE;TOOL" "ARGS;ENVIRONMENT")
  if(DEFINED case_TOOL)
    set(tool ${case_TOOL})
    if(CMAKE_CROSSCOMPILING)
      set(tool ${STUDY_WINE_RUNNER} ${case_TOOL})
    endif()
  endif()
  set(definitions -DEXPECT_EXIT=${exit_code})
  foreach(field STDOUT STDERR STDOUT_FILE STDIN_FILE)
    if(DEFINED case_${field})
      # A semicolon would part the test's command: run_tool.cmake puts it back.
      string(REPLACE ";" "@SEMICOLON@" value "${case_${field}}")
      list(APPEND definitions "-D${field}=${value}")
    endif()
  endforeach()
  if(case_EMPTY_STDOUT)
    list(APPEND definitions -DEMPTY_STDOUT=ON)
  endif()
  string(REPLACE ";" "|" command "${tool};${case_ARGS}")
  # A whole validate (every check) is among the longest rows.
  set(cost 1)
  if("validate" IN_LIST case_ARGS AND NOT "--check" IN_LIST case_ARGS)
    set(cost 30)
  endif()
  study_add_test(NAME study_host.${name}
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=${command}" ${definitions}
            -P ${PROJECT_SOURCE_DIR}/tests/study-host/run_tool.cmake
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} COST ${cost} ENVIRONMENT ${case_ENVIRONMENT})
endfunction()
