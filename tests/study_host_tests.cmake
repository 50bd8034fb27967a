# Tests of the study-host tool: its parsing in-process, and the built tool
# run against the module and against modules with deliberate faults. Each
# case is a row: what to run, the exit code, and what standard output or
# standard error must show. The same rows run the Windows tool under wine.

add_executable(study_host_tests
  study-host/command_line_test.cpp
  study-host/common_test.cpp
  study-host/describe_test.cpp
  study-host/replay_test.cpp
  study-host/sandbox_test.cpp
  study-host/validate_test.cpp)
target_include_directories(study_host_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(study_host_tests PRIVATE study_host_command_line process_heap ${gtest_main_target})
study_add_gtest(study_host_tests)

set(study_module $<TARGET_FILE:zrPalvessa_64>)
set(tool $<TARGET_FILE:study-host>)
if(CMAKE_CROSSCOMPILING)
  set(tool ${STUDY_WINE} ${tool})
endif()
set(sessions ${CMAKE_CURRENT_SOURCE_DIR}/sessions)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/not_a_module.dll "plain text\n")
string(REPEAT "x" 5000 long_note)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/long_line.csv "position,note\n1,${long_note}\n")
string(REPEAT "x" 4094 longest_note)  # "1," and the note: 4096 bytes, the longest record
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/longest_record.csv "position,note\r\n1,${longest_note}\r\n")

# study_host_case(NAME EXIT [STDOUT regex] [STDERR regex] [EMPTY_STDOUT]
#                 [STDOUT_FILE path] [STDIN_FILE path] [TOOL path] ARGS ...)
function(study_host_case name exit_code)
  cmake_parse_arguments(PARSE_ARGV 2 case "EMPTY_STDOUT" "STDOUT;STDERR;STDOUT_FILE;STDIN_FILE;TOOL" "ARGS")
  if(DEFINED case_TOOL)
    set(tool ${case_TOOL})
    if(CMAKE_CROSSCOMPILING)
      set(tool ${STUDY_WINE} ${case_TOOL})
    endif()
  endif()
  set(definitions -DEXPECT_EXIT=${exit_code})
  foreach(field STDOUT STDERR STDOUT_FILE STDIN_FILE)
    if(DEFINED case_${field})
      list(APPEND definitions "-D${field}=${case_${field}}")
    endif()
  endforeach()
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

# The tool, the module and a session in a folder whose name is outside every
# single-byte code page, as a trader's folder may be.
set(greek_folder "${CMAKE_CURRENT_BINARY_DIR}/Δοκιμή φάκελος")
file(MAKE_DIRECTORY ${greek_folder})
file(COPY ${sessions}/notepad_unicode.csv DESTINATION ${greek_folder})
add_custom_target(study_host_in_greek_folder ALL
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:zrPalvessa_64> $<TARGET_FILE:study-host>
          ${greek_folder}
  DEPENDS zrPalvessa_64 study-host)
set(greek_tool "${greek_folder}/$<TARGET_FILE_NAME:study-host>")
set(greek_module "${greek_folder}/$<TARGET_FILE_NAME:zrPalvessa_64>")

# --- The module, described, replayed and validated ---------------------------
if(STUDY_SANITIZERS)
  # No heap counts under the sanitizer, and no million-call run: it takes
  # minutes there (the other builds run it, and a faulty module's row too).
  set(validate_summary "12 passed, 0 failed, 2 skipped")
  set(validate_module_checks --check randomized-calls --check scale-out-sweep --check edge-positions
      --check threads-and-state --check heap-balance --check heap-calls --check missing-host-services
      --check record-untouched --check floating-point-state --check declares-study --check module-name)
  set(heap_balance_row "skipped +heap-balance +this build cannot count the heap[^\n]*")
else()
  set(validate_summary "15 passed, 0 failed")
  set(heap_balance_row "passed +heap-balance +18 kinds of call[^\n]*")
endif()
study_host_case(validate_module 0 STDOUT "\n${validate_summary}\n$"
  ARGS validate ${study_module} --seed 2683 ${validate_module_checks})
study_host_case(validate_list 0
  STDOUT "^check +what it covers\nmodule-loads +the module loads[^\n]*\n(.*\n)*randomized-calls +seeded random"
  ARGS validate --list)
study_host_case(validate_unknown_check 2 EMPTY_STDOUT
  STDERR "--check: unknown check 'nosuch'; the checks are module-loads, exports-resolve, .*randomized-calls"
  ARGS validate ${study_module} --check nosuch)
study_host_case(validate_one_check_and_its_needs 0
  STDOUT "\nresult +check +detail\npassed +module-loads [^\n]*\npassed +exports-resolve [^\n]*\npassed +interface-version [^\n]*\n${heap_balance_row}\n[0-9] passed, 0 failed[^\n]*\n$"
  ARGS validate ${study_module} --check heap-balance)
study_host_case(child_check_option_hidden 2 EMPTY_STDOUT
  STDERR "not expected: .*--in-child-run-check"
  ARGS validate ${study_module} --in-child-run-check heap-balance)
study_host_case(describe 0
  STDOUT "display name: +zr: Palvessa.*\n4  Scale Out Percentage +whole number +50 +1 to 100"
  ARGS describe ${study_module})
study_host_case(replay_session 0
  STDOUT "^step  position  order quantity\n1     0         4\n.*\n3     4         2\n.*\n7     -3        2\n.*\n10    0         4\n$"
  ARGS replay ${study_module} --set Enabled=yes "--set=Scale Out of Position=yes"
       --file example-session.csv)
study_host_case(replay_not_enabled 0
  STDOUT "^note: \"Enabled\" is off, so the study leaves the order quantity unchanged \\(to turn it on: --set \"Enabled=yes\"\\)\nstep  position  order quantity\n1     1         unchanged\n2     0         unchanged\n$"
  ARGS replay ${study_module} --positions 1,0)
study_host_case(replay_json 0
  STDOUT "^{\"step\":1,\"position\":0,\"written\":true,\"order_quantity\":4}\n{\"step\":2,\"position\":-2.5,\"written\":true,\"order_quantity\":7}\n$"
  ARGS replay ${study_module} --positions 0,-2.5 --json=1 --set Enabled=1
       "--set=Position Qty During Trade=7")
study_host_case(replay_disabled_leaves_quantity 0 STDOUT "1 +3 +unchanged\n2 +0 +unchanged\n$"
  ARGS replay ${study_module} --positions 3,0)
study_host_case(replay_host_call_flag 0 STDOUT "1 +3 +7\n$"
  ARGS replay ${study_module} --positions 3 --host-call-flag "--set=Position Qty During Trade=7")

# --- Command lines -----------------------------------------------------------
study_host_case(help 0 STDOUT "^Tries a study module.*Usage: study-host .*exit codes:"
  ARGS --help)
study_host_case(help_of_a_command 0 STDOUT "Usage: study-host replay \\[OPTIONS\\] MODULE"
  ARGS replay --help)
study_host_case(version 0 STDOUT "^study-host ${PROJECT_VERSION}\n$" ARGS --version)
foreach(asks_for_usage IN ITEMS "" help "/?" -h)
  string(MAKE_C_IDENTIFIER "usage_for_${asks_for_usage}" case_name)
  study_host_case(${case_name} 0 STDOUT "^Tries a study module.*Usage: study-host " ARGS ${asks_for_usage})
endforeach()
study_host_case(version_after_a_command 0 STDOUT "^study-host ${PROJECT_VERSION}\n$"
  ARGS replay --version)
study_host_case(double_dash_ends_options 0 STDOUT "display name: +zr: Palvessa"
  ARGS describe -- ${study_module})
study_host_case(set_takes_one_word 0 STDOUT "^step.*\n1     1         1\n$"
  ARGS replay --set Enabled=yes ${study_module} --positions 1 --)
study_host_case(whole_positions_written_out 0
  STDOUT "\n1     100000    unchanged\n2     -1000000  unchanged\n3     1e\\+20     unchanged\n$"
  ARGS replay ${study_module} --positions 100000,-1000000,1e20)
study_host_case(unknown_command 2 EMPTY_STDOUT STDERR "^study-host: unknown command 'frobnicate'"
  ARGS frobnicate m.so)
study_host_case(no_module 2 EMPTY_STDOUT STDERR "MODULE is required" ARGS describe)
study_host_case(unknown_option 2 EMPTY_STDOUT STDERR "not expected: .*--file"
  ARGS describe ${study_module} --file x.csv)
study_host_case(repeated_option 2 EMPTY_STDOUT STDERR "--positions: At Most 1"
  ARGS replay ${study_module} --positions 1 --positions 2)
study_host_case(repeated_flag 2 EMPTY_STDOUT STDERR "--json: At Most 1"
  ARGS replay ${study_module} --positions 1 --json --json)
study_host_case(positions_and_file 2 EMPTY_STDOUT STDERR "--positions excludes --file"
  ARGS replay ${study_module} --positions 1 --file x.csv)
study_host_case(no_positions 2 EMPTY_STDOUT STDERR "give the positions: --positions or --file"
  ARGS replay ${study_module})
study_host_case(plus_sign_everywhere 0 STDOUT "^step.*\n1     3         1\n$"
  ARGS replay ${study_module} --positions +3 --set Enabled=+1 --timeout +10)
study_host_case(two_signs 2 EMPTY_STDOUT STDERR "position 1 of --positions \\('\\+-1'\\) is not a number"
  ARGS replay ${study_module} --positions +-1)
study_host_case(seed_two_signs 2 EMPTY_STDOUT STDERR "--seed: '\\+-1' is not a whole number"
  ARGS validate ${study_module} --seed=+-1)
study_host_case(seed_negative 2 EMPTY_STDOUT STDERR "--seed: '-1' is out of range \\(0 to 18446744073709551615\\)"
  ARGS validate ${study_module} --seed -1)
study_host_case(calls_out_of_range 2 EMPTY_STDOUT STDERR "--calls: '0' is out of range \\(1 to 1000000\\)"
  ARGS validate ${study_module} --calls 0)
study_host_case(calls_too_large 2 EMPTY_STDOUT STDERR "--calls: '2147483647' is out of range"
  ARGS validate ${study_module} --calls 2147483647)
study_host_case(position_out_of_range 2 EMPTY_STDOUT STDERR "position 2 of --positions \\('1e400'\\) is out of range"
  ARGS replay ${study_module} --positions 1,1e400)
study_host_case(empty_positions 2 EMPTY_STDOUT STDERR "--positions: 1 required LIST missing"
  ARGS replay ${study_module} "--positions=")
study_host_case(line_break_echoed_escaped 2 EMPTY_STDOUT STDERR "\\('1\\\\n2'\\) is not a number\n$"
  ARGS replay ${study_module} "--positions=1\n2")
study_host_case(setting_without_equals 2 EMPTY_STDOUT STDERR "--set: takes NAME=VALUE, got 'Enabled'"
  ARGS replay ${study_module} --set Enabled --positions 1)
study_host_case(unknown_input 2 EMPTY_STDOUT
  STDERR "unknown input \"Enabler\"; valid inputs: \"Enabled\", \"Position Qty While Flat\""
  ARGS replay ${study_module} --set Enabler=1 --positions 1)
# Inputs by name in any case with blanks around, by slot number, or by a
# leading part only one name has.
study_host_case(input_names_as_people_type_them 0 STDOUT "\n1     10        3\n$"
  ARGS replay ${study_module} "--set= enabled = yes" --set 3=yes "--set=scale out p=30" --set round=no
       --positions 10)
study_host_case(input_name_part_of_two 2 EMPTY_STDOUT
  STDERR "input \"Position Qty\" could be \"Position Qty While Flat\", \"Position Qty During Trade\"; give more"
  ARGS replay ${study_module} "--set=Position Qty=3" --positions 1)
study_host_case(input_set_twice 2 EMPTY_STDOUT STDERR "input \"Enabled\" is set twice; set it once"
  ARGS replay ${study_module} --set Enabled=yes --set 0=no --positions 1)
study_host_case(setting_beyond_declared_limits 2 EMPTY_STDOUT
  STDERR "^study-host: Scale Out Percentage takes 1 to 100, not 150\n$"
  ARGS replay ${study_module} "--set=Scale Out Percentage=150" --positions 4)
study_host_case(setting_not_whole 2 EMPTY_STDOUT
  STDERR "value '2.5' for \"Scale Out Percentage\" is not a whole number"
  ARGS replay ${study_module} "--set=Scale Out Percentage=2.5" --positions 1)
study_host_case(setting_out_of_range 2 EMPTY_STDOUT
  STDERR "value '3000000000' for \"Scale Out Percentage\" is out of range \\(-2147483648 to 2147483647\\)"
  ARGS replay ${study_module} "--set=Scale Out Percentage=3000000000" --positions 1)
study_host_case(greek_folder_describe 0 STDOUT "display name: +zr: Palvessa"
  TOOL ${greek_tool} ARGS describe ${greek_module})
study_host_case(greek_folder_replay 0 STDOUT "^step.*\n1     0         4\n2     3         1\n3     -2        1\n$"
  TOOL ${greek_tool} ARGS replay ${greek_module} --set Enabled=yes --file ${greek_folder}/notepad_unicode.csv)
study_host_case(missing_module 3 EMPTY_STDOUT STDERR "^study-host: cannot load '[^']*no_such_module[^']*': .+"
  ARGS describe no_such_module.dll)
study_host_case(module_is_a_directory 3 EMPTY_STDOUT STDERR "cannot load 'tests': not a regular file"
  ARGS validate tests)
if(WIN32)
  set(not_a_module_reason "not a 64-bit Windows DLL \\(error 193\\)\n$")
else()
  set(not_a_module_reason ".+")
endif()
study_host_case(not_a_module 3 EMPTY_STDOUT STDERR "^study-host: cannot load '[^']*not_a_module.dll': ${not_a_module_reason}"
  ARGS replay ${CMAKE_CURRENT_BINARY_DIR}/not_a_module.dll --positions 1)
study_host_case(output_device_full 5 STDERR "^study-host: cannot write the output: .+\n$"
  STDOUT_FILE /dev/full ARGS describe ${study_module})

# --- Session files -----------------------------------------------------------
function(session_case name exit_code)
  study_host_case(session_${name} ${exit_code} ${ARGN})
endfunction()
set(replay_session replay ${study_module} --set Enabled=yes --file)
session_case(notepad_unicode 0 STDOUT "^step.*\n1     0         4\n2     3         1\n3     -2        1\n$"
  ARGS ${replay_session} ${sessions}/notepad_unicode.csv)
session_case(semicolon_decimal_comma 0 STDOUT "^step.*\n1     0         4\n2     2.5       1\n$"
  ARGS ${replay_session} ${sessions}/semicolon_decimal_comma.csv)
session_case(tab_lone_cr 0 STDOUT "^step.*\n1     2         1\n2     0         4\n$"
  ARGS ${replay_session} ${sessions}/tab_lone_cr.csv)
session_case(longest_record_allowed 0 STDOUT "^step.*\n1     1         1\n$"
  ARGS ${replay_session} ${CMAKE_CURRENT_BINARY_DIR}/longest_record.csv)
session_case(standard_input 0 STDOUT "^step.*\n1     3         1\n2     -2        1\n$"
  STDIN_FILE ${sessions}/bom_crlf_quoted.csv ARGS ${replay_session} -)
session_case(bom_crlf_quoted 0 STDOUT "^step.*\n1     3         1\n2     -2        1\n$"
  ARGS ${replay_session} ${sessions}/bom_crlf_quoted.csv)
session_case(line_break_in_quotes 0 STDOUT "\n1     0         4\n2     5         1\n$"
  ARGS ${replay_session} ${sessions}/line_break_in_quotes.csv)
session_case(late_error 4 STDOUT "^step.*\n1     0         4\n2     3         1\n$"
  STDERR "^study-host: [^\n]*late_error.csv:5: expected a number in column 'position', found 'four'\n$"
  ARGS ${replay_session} ${sessions}/late_error.csv)
session_case(two_position_columns 4 EMPTY_STDOUT
  STDERR "two_position_columns.csv:1: columns 1 and 3 of the header 'position,note,position' are both named 'position'"
  ARGS ${replay_session} ${sessions}/two_position_columns.csv)
session_case(nul_in_field 4 EMPTY_STDOUT STDERR "nul_in_field.csv:2: expected a number in column 'position', found '1\\\\x00x'\n$"
  ARGS ${replay_session} ${sessions}/nul_in_field.csv)
session_case(unclosed_quote 4 EMPTY_STDOUT STDERR "unclosed_quote.csv:2: a quoted field is not closed"
  ARGS ${replay_session} ${sessions}/unclosed_quote.csv)
session_case(field_count 4 STDOUT "\n1     1         1\n$" STDERR "field_count.csv:3: expected 2 fields as in the header, found 1"
  ARGS ${replay_session} ${sessions}/field_count.csv)
session_case(no_header 4 EMPTY_STDOUT STDERR "no_header.csv:3: expected a header row, found none"
  ARGS ${replay_session} ${sessions}/no_header.csv)
session_case(header_only 4 EMPTY_STDOUT STDERR "header_only.csv:1: expected at least one position after the header"
  ARGS ${replay_session} ${sessions}/header_only.csv)
session_case(no_position_column 4 EMPTY_STDOUT
  STDERR "no_position_column.csv:1: expected a header row with a 'position' column"
  ARGS ${replay_session} ${sessions}/no_position_column.csv)
session_case(out_of_range 4 EMPTY_STDOUT STDERR "out_of_range.csv:2: expected a number in column 'position', found '1e400' \\(out of range\\)"
  ARGS ${replay_session} ${sessions}/out_of_range.csv)
session_case(longest_line 4 EMPTY_STDOUT STDERR "long_line.csv:2: longer than 4096 bytes"
  ARGS ${replay_session} ${CMAKE_CURRENT_BINARY_DIR}/long_line.csv)
session_case(directory 4 EMPTY_STDOUT STDERR "^study-host: tests: a directory, not a session file\n$"
  ARGS ${replay_session} tests)
session_case(missing 4 EMPTY_STDOUT STDERR "no_such.csv: cannot open the session file"
  ARGS ${replay_session} no_such.csv)
if(NOT CMAKE_CROSSCOMPILING)
  session_case(dev_stdin 0 STDOUT "^step.*\n1     3         1\n2     -2        1\n$"
    STDIN_FILE ${sessions}/bom_crlf_quoted.csv ARGS ${replay_session} /dev/stdin)
  session_case(empty_device 4 EMPTY_STDOUT STDERR "/dev/null:1: expected a header row, found none"
    ARGS ${replay_session} /dev/null)
  session_case(endless_device 4 EMPTY_STDOUT STDERR "/dev/zero:1: longer than 4096 bytes"
    ARGS ${replay_session} /dev/zero)
endif()

if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME study_host.streams
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tool_streams.sh $<TARGET_FILE:study-host> ${study_module}
            $<TARGET_FILE:faulty_hangs_in_call>)
endif()

if(NOT CMAKE_CROSSCOMPILING AND NOT STUDY_SANITIZERS)
  add_test(NAME study_host.session_in_bounded_memory
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:study-host> -DMODULE=${study_module}
            -DSESSION=${CMAKE_CURRENT_BINARY_DIR}/million_steps.csv
            -P ${CMAKE_CURRENT_SOURCE_DIR}/bounded_memory.cmake)
endif()

# --- Modules with deliberate faults ------------------------------------------
# One source, a fault each (see faulty_module.cpp); every row names the check
# that must fail and what it must say. Hangs run with a short time limit.
function(add_faulty_module fault)
  if(NOT TARGET faulty_${fault})
    add_library(faulty_${fault} MODULE faulty_module.cpp)
    target_compile_definitions(faulty_${fault} PRIVATE FAULT=${fault} FAULT_${fault})
    target_link_libraries(faulty_${fault} PRIVATE order_quantity_study process_heap)
    set_target_properties(faulty_${fault} PROPERTIES PREFIX "")
  endif()
endfunction()
function(fault_case fault exit_code expected)
  add_faulty_module(${fault})
  study_host_case(validate_${fault} ${exit_code} STDOUT "${expected}"
    ARGS validate $<TARGET_FILE:faulty_${fault}> --seed 1 ${ARGN})
endfunction()
if(STUDY_SANITIZERS)
  set(crashed "ended with exit code 1 before finishing,")  # the sanitizer reports the crash
else()
  set(crashed "crashed \\((signal 11, Segmentation fault|exception 0xC0000005)\\)")
endif()
fault_case(missing_export 1
  "failed +exports-resolve +missing export scsf_zrPalvessa\n.*skipped +interface-version +needs exports-resolve")
add_library(export_donor SHARED export_donor.cpp)
target_include_directories(export_donor PRIVATE ${PROJECT_SOURCE_DIR})
add_faulty_module(borrowed_export)
target_link_libraries(faulty_borrowed_export PRIVATE export_donor)
if(NOT WIN32)
  # Keep the dependency although the module calls nothing in it.
  target_link_options(faulty_borrowed_export PRIVATE -Wl,--no-as-needed)
endif()
fault_case(borrowed_export 1
  "failed +exports-resolve +(scdll_DLLName resolves outside the module|missing export scdll_DLLName)"
  --check exports-resolve)
fault_case(wrong_version 1 "failed +interface-version +module reports 1234, this host provides 2683"
  --check interface-version)
fault_case(wrong_name 1 "failed +module-name +scdll_DLLName returns \"zrPalvessa2\", expected \"zrPalvessa\""
  --check module-name)
fault_case(enabled_by_default 1
  "failed +declares-study +input 0 \\(\"Enabled\"\\) defaults to 1, expected 0"
  --check declares-study)
fault_case(crash_on_defaults 1 "failed +declares-study +${crashed} during the defaults call"
  --check declares-study)
fault_case(stray_write 1 "failed +record-untouched +ordinary call, flat: record byte 2540 changed"
  --check record-untouched)
fault_case(write_past_record 1 "failed +record-untouched +ordinary call, flat: record byte 3352 changed"
  --check record-untouched)
fault_case(setting_on_ordinary 1 "failed +record-untouched +ordinary call, flat: record byte 176 changed"
  --check record-untouched)
fault_case(fractional_quantity 1
  "failed +edge-positions +position -20, scaling out at 7 % up: wrote 1.5, expected 2"
  --check edge-positions)
fault_case(clamps_to_one 1
  "failed +edge-positions +position [-0-9.e+]+, scaling out at [0-9]+ % up: wrote 1, expected 2147483647"
  --check edge-positions)
fault_case(fast_math_at_load 1
  "failed +floating-point-state +loading the module changed the floating-point control state: MXCSR 0x1f80 became 0x9fc0 \\(flush-to-zero, denormals-are-zero\\)"
  --check floating-point-state)
fault_case(rounds_upward 1
  "failed +floating-point-state +ordinary call, flat changed the floating-point control state: MXCSR 0x1f80 became 0x5f80 \\(rounding\\), x87 control word 0x[0-9a-f]+ became 0x[0-9a-f]+ \\(rounding\\), C rounding mode to nearest became upward"
  --check floating-point-state)
# Every watched or judged call of the other checks finds the change too.
study_host_case(validate_rounds_upward_in_a_watched_call 1
  STDOUT "failed +record-untouched +ordinary call, flat: changed the floating-point control state: MXCSR 0x1f80 became 0x5f80 \\(rounding\\)"
  ARGS validate $<TARGET_FILE:faulty_rounds_upward> --seed 1 --check record-untouched)
fault_case(thread_after_load 1
  "failed +module-loads +after loading the module the process runs 2 threads, 1 before loading \\(the study starts none\\)"
  --check threads-and-state)
fault_case(thread_at_unload 1
  "failed +module-loads +(after the check the process runs 2 threads, 1 before loading|${crashed} during unloading the module)"
  --check module-loads)  # a crash when its thread runs the unloaded code first
fault_case(writes_record_later 1
  "failed +threads-and-state +ordinary call, flat: record byte 2447 changed after the call returned"
  --check threads-and-state)
fault_case(history_goes_wrong 1 "failed +long-run +call [0-9]+ \\(position [^)]*\\): wrote"
  --check long-run)
fault_case(prints_300_mb 0
  "warning +module-loads +loads and unloads[^\n]*; the module wrote 314572800 bytes of output: \"xxx"
  --check module-loads --timeout 60)  # the printing is the module's own time: seconds under wine
if(NOT WIN32)
  fault_case(closes_descriptors 1
    "failed +module-loads +closed the tool's report channel, during loading the module" --check module-loads)
  fault_case(forges_report 1 "failed +module-loads +wrote on the tool's own channel, during loading the module"
    --check module-loads --timeout 5)
endif()
fault_case(wrong_above_twenty 1
  "failed +scale-out-sweep +position 21, scaling out at 1 % rounding up: wrote 2, expected 1"
  --check scale-out-sweep)
fault_case(forged_result 1
  "failed +declares-study +ended with exit code 0 before finishing, during the defaults call"
  --check declares-study)
fault_case(forks 1 "failed +declares-study +left a process running after the check ended"
  --check declares-study)
fault_case(hang_at_load 1
  "failed +module-loads +did not finish within 2 s, during loading the module" --timeout 2 --check module-loads)
fault_case(hangs_in_call 1
  "failed +declares-study +did not finish within 2 s, during the defaults call\n.*skipped +randomized-calls +the module hung in declares-study"
  --timeout 2)
fault_case(crash_at_load 1 "failed +module-loads +(${crashed} during loading the module|.*error)"
  --check module-loads)
fault_case(prints_at_load 0
  "warning +module-loads +loads and unloads[^\n]*; the module wrote [0-9]+ bytes of output: \"zrPalvessa debug: loaded\\\\(r\\\\)?n\".* with a warning, 0 failed"
  --check declares-study)
if(NOT STUDY_SANITIZERS)
  # Under AddressSanitizer the heap census is off (its leak checker ends a
  # child that leaks instead).
  fault_case(leak 1 "failed +heap-balance +ordinary call, flat: the heap grows by"
  --check heap-balance)
  fault_case(leak_without_array 1 "failed +heap-balance +ordinary call, no input array: the heap grows by"
  --check heap-balance)
  fault_case(leak_on_host_call_flag 1 "failed +heap-balance +ordinary call, host call flag: the heap grows by"
  --check heap-balance)
  fault_case(allocates_per_call 1
    "failed +heap-calls +ordinary call, flat: 2 heap calls of its own \\(1 allocation, 1 release; an ordinary call makes none\\)"
    --check heap-calls)
  fault_case(leaks_at_load 1
    "failed +heap-balance +loading and unloading the module leaves [0-9]+ bytes \\(1 block\\) on the heap"
    --check heap-balance)
  fault_case(leaks_every_thousand 1 "failed +heap-balance +ordinary call, flat: the heap grows by [0-9]+ bytes \\(1 block\\) every 1000 calls"
    --check heap-balance)
  fault_case(keeps_owned_minus_one 1 "failed +heap-balance +ordinary call, owned flag -1 in the position record: the heap grows by"
    --check heap-balance)
endif()

# describe and replay run the module in a child too: a crash, hang or
# leftover process ends them with the module's exit code and one line.
set(crashed_line "^study-host: the module ${crashed}")
study_host_case(describe_crash_at_load 3 EMPTY_STDOUT STDERR "^study-host: (the module ${crashed} during loading the module|cannot load)"
  ARGS describe $<TARGET_FILE:faulty_crash_at_load>)
study_host_case(replay_crash_on_defaults 3 EMPTY_STDOUT STDERR "${crashed_line} during the study's set-up call\n$"
  ARGS replay $<TARGET_FILE:faulty_crash_on_defaults> --positions 1)
study_host_case(replay_hangs_in_call 3 EMPTY_STDOUT
  STDERR "^study-host: the module made no progress for 2 s, during the study's set-up call\n$"
  ARGS replay $<TARGET_FILE:faulty_hangs_in_call> --positions 1 --timeout 2)
study_host_case(replay_forks 3 STDERR "^study-host: the module left a process running"
  ARGS replay $<TARGET_FILE:faulty_forks> --positions 1)
study_host_case(replay_forged_result 3 EMPTY_STDOUT
  STDERR "^study-host: the module ended with exit code 0 before finishing, during the study's set-up call\n$"
  ARGS replay $<TARGET_FILE:faulty_forged_result> --positions 1)
study_host_case(describe_missing_export 3 EMPTY_STDOUT STDERR "missing export scsf_zrPalvessa"
  ARGS describe $<TARGET_FILE:faulty_missing_export>)
study_host_case(replay_wrong_version 3 EMPTY_STDOUT
  STDERR "expects host interface version 1234; this host provides 2683"
  ARGS replay $<TARGET_FILE:faulty_wrong_version> --positions 1)
study_host_case(describe_prints_at_load 0 STDOUT "display name: +zr: Palvessa"
  STDERR "^study-host: warning: the module wrote [0-9]+ bytes of output: \"zrPalvessa debug: loaded"
  ARGS describe $<TARGET_FILE:faulty_prints_at_load>)
