# Tests of the study-host tool: its parsing in-process, and the built tool
# run against the module and against modules with deliberate faults.

add_executable(study_host_tests study_host_test.cpp)
target_link_libraries(study_host_tests PRIVATE study_host_tool process_heap ${gtest_main_target})
study_add_gtest(study_host_tests)

# Modules with one deliberate fault each (see faulty_module.cpp).
set(faults missing_export wrong_version crash stray_write leak fractional_quantity)
set(fault_number 0)
foreach(fault IN LISTS faults)
  math(EXPR fault_number "${fault_number} + 1")
  add_library(faulty_${fault} MODULE faulty_module.cpp)
  target_compile_definitions(faulty_${fault} PRIVATE FAULT=${fault_number})
  target_link_libraries(faulty_${fault} PRIVATE order_quantity_study process_heap)
  set_target_properties(faulty_${fault} PROPERTIES PREFIX "")
endforeach()

set(study_module $<TARGET_FILE:zrPalvessa_64>)
set(tool $<TARGET_FILE:study-host>)
if(CMAKE_CROSSCOMPILING)
  set(tool ${STUDY_WINE} ${tool})
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/bad_session.csv
     "# a session with a fault on line 4\nposition,note\n0,flat\nthree,long\n")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/not_a_module.dll "plain text\n")

# study_host_case(NAME EXIT [STDOUT regex] [STDERR regex] [EMPTY_STDOUT] ARGS ...)
function(study_host_case name exit_code)
  cmake_parse_arguments(PARSE_ARGV 2 case "EMPTY_STDOUT" "STDOUT;STDERR" "ARGS")
  set(definitions -DEXPECT_EXIT=${exit_code})
  if(DEFINED case_STDOUT)
    list(APPEND definitions "-DEXPECT_STDOUT=${case_STDOUT}")
  endif()
  if(DEFINED case_STDERR)
    list(APPEND definitions "-DEXPECT_STDERR=${case_STDERR}")
  endif()
  if(case_EMPTY_STDOUT)
    list(APPEND definitions -DEMPTY_STDOUT=ON)
  endif()
  string(REPLACE ";" "|" command "${tool};${case_ARGS}")
  add_test(NAME study_host.${name}
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=${command}" ${definitions}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/run_tool.cmake
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(study_host.${name} PROPERTIES
      FIXTURES_REQUIRED wine ENVIRONMENT "${STUDY_WINE_ENVIRONMENT}")
  endif()
endfunction()

if(STUDY_SANITIZERS)
  set(validate_summary "9 passed, 0 failed, 1 skipped")  # no heap census under the sanitizer
else()
  set(validate_summary "10 passed, 0 failed")
endif()
study_host_case(validate_module 0 STDOUT "\n${validate_summary}\n$"
  ARGS validate ${study_module} --seed 2683)
study_host_case(describe 0
  STDOUT "display name: +zr: Palvessa.*4 +Scale Out Percentage +integer \\(11\\) +50 +1 to 100"
  ARGS describe ${study_module})
study_host_case(replay_session 0
  STDOUT "step +position +order quantity\n1 +0 +4\n.*\n3 +4 +2\n.*\n7 +-3 +2\n.*\n10 +0 +4\n"
  ARGS replay ${study_module} --set Enabled=yes "--set=Scale Out of Position=yes"
       --file examples/session.csv)
study_host_case(replay_json 0
  STDOUT "{\"step\":1,\"position\":0,\"written\":true,\"order_quantity\":4}\n{\"step\":2,\"position\":-2.5,\"written\":true,\"order_quantity\":7}\n$"
  ARGS replay ${study_module} --positions 0,-2.5 --json --set Enabled=1
       "--set=Position Qty During Trade=7")
study_host_case(replay_disabled_leaves_quantity 0 STDOUT "1 +3 +unchanged\n2 +0 +unchanged\n$"
  ARGS replay ${study_module} --positions 3,0)
study_host_case(replay_host_call_flag 0 STDOUT "1 +3 +7\n$"
  ARGS replay ${study_module} --positions 3 --host-call-flag "--set=Position Qty During Trade=7")

study_host_case(error_missing_file 3 EMPTY_STDOUT STDERR "^study-host: cannot load '[^']*no_such_module[^']*': .+"
  ARGS describe no_such_module.dll)
study_host_case(error_not_a_module 3 EMPTY_STDOUT STDERR "^study-host: cannot load '[^']*not_a_module.dll': .+"
  ARGS replay ${CMAKE_CURRENT_BINARY_DIR}/not_a_module.dll --positions 1)
study_host_case(error_missing_export 3 EMPTY_STDOUT STDERR "missing export scsf_zrPalvessa"
  ARGS describe $<TARGET_FILE:faulty_missing_export>)
study_host_case(error_wrong_version 3 EMPTY_STDOUT
  STDERR "expects host interface version 1234; this host provides 2683"
  ARGS replay $<TARGET_FILE:faulty_wrong_version> --positions 1)
study_host_case(error_unknown_input 2 EMPTY_STDOUT
  STDERR "unknown input \"Enable\"; valid inputs: \"Enabled\", \"Position Qty While Flat\""
  ARGS replay ${study_module} --set Enable=1 --positions 1)
study_host_case(error_not_whole_number 2 EMPTY_STDOUT
  STDERR "value '2.5' for \"Scale Out Percentage\" is not a whole number"
  ARGS replay ${study_module} "--set=Scale Out Percentage=2.5" --positions 1)
study_host_case(error_malformed_csv 4 EMPTY_STDOUT
  STDERR "bad_session.csv:4: expected a number in column 'position', found 'three'"
  ARGS replay ${study_module} --file ${CMAKE_CURRENT_BINARY_DIR}/bad_session.csv)
study_host_case(error_empty_positions 2 EMPTY_STDOUT STDERR "the position list is empty"
  ARGS replay ${study_module} --positions=)

# validate must report each fault as a failed check, and survive the crash.
study_host_case(validate_finds_crash 1
  STDOUT "failed +declares-study +(crashed|ended with exit code)"
  ARGS validate $<TARGET_FILE:faulty_crash> --seed 1)
study_host_case(validate_finds_stray_write 1
  STDOUT "failed +record-untouched +ordinary call, flat: record byte 2540 changed"
  ARGS validate $<TARGET_FILE:faulty_stray_write> --seed 1)
study_host_case(validate_finds_fractional_quantity 1
  STDOUT "failed +edge-positions +position -20, scaling out at 7 % up: wrote 1.5, expected 2"
  ARGS validate $<TARGET_FILE:faulty_fractional_quantity> --seed 1)
study_host_case(validate_finds_missing_export 1
  STDOUT "failed +exports-resolve +missing export scsf_zrPalvessa.*skipped +interface-version +needs exports-resolve"
  ARGS validate $<TARGET_FILE:faulty_missing_export>)
if(NOT STUDY_SANITIZERS)
  # Under AddressSanitizer the heap census is off and the leak checker ends
  # every child that leaks instead.
  study_host_case(validate_finds_leak 1 STDOUT "failed +heap-balance +ordinary call, flat: the heap grows by"
    ARGS validate $<TARGET_FILE:faulty_leak> --seed 1)
endif()
