# Replays a session of a million lines with the tool's address space (and
# that of the child it starts) limited to 64 MB: a reader that kept the whole
# file, or every step, in memory would run out; so would a chart that kept
# every step. The chart must still render and stay small.
#   TOOL, MODULE, SESSION (where to write the session)
string(REPEAT "0\n3\n-2\n1.5\n" 250000 lines)
file(WRITE ${SESSION} "position\n${lines}")
set(CHART ${SESSION}.svg)
set(COMMAND "prlimit|--as=67108864|${TOOL}|replay|${MODULE}|--set|Enabled=yes|--file|${SESSION}|--chart|${CHART}")
set(MOST_BYTES 100000)
include(${CMAKE_CURRENT_LIST_DIR}/chart_renders.cmake)
execute_process(COMMAND prlimit --as=67108864 ${TOOL} replay ${MODULE} --set Enabled=yes
                        --file ${SESSION}
                RESULT_VARIABLE exit_code OUTPUT_FILE ${SESSION}.out ERROR_VARIABLE err)
file(REMOVE ${SESSION})
if(NOT exit_code EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "replay under a 64 MB limit: exit code ${exit_code}, ${err}")
endif()
file(SIZE ${SESSION}.out size)
file(REMOVE ${SESSION}.out)
if(size LESS 15000000)
  message(FATAL_ERROR "replay printed ${size} bytes, too few for a million steps")
endif()
