# Runs a replay that draws a chart, then checks the chart: well-formed XML,
# both step lines drawn, turned into an image by a packaged SVG renderer,
# and no bigger than a chart may grow.
#   COMMAND     the replay's command line, its arguments separated by |
#   CHART       where it draws (the command names it after --chart)
#   MOST_BYTES  the chart's largest allowed size
#   EXPECT_EXIT a replay meant to fail (optional): it must end with this code
#               and leave an older chart at that path as it was, with no
#               half-written file beside it
string(REPLACE "|" ";" command "${COMMAND}")
file(REMOVE ${CHART} ${CHART}.png)
if(DEFINED EXPECT_EXIT)
  file(WRITE ${CHART} "an older chart")
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE exit_code OUTPUT_QUIET ERROR_VARIABLE err)
if(DEFINED EXPECT_EXIT)
  file(READ ${CHART} left)
  file(GLOB partial ${CHART}.*)
  file(REMOVE ${CHART})
  if(NOT exit_code EQUAL EXPECT_EXIT OR NOT left STREQUAL "an older chart" OR partial)
    message(FATAL_ERROR "a failed replay: exit code ${exit_code} (expected ${EXPECT_EXIT}); "
                        "the older chart reads '${left}', left beside it: '${partial}': ${err}")
  endif()
  return()
endif()
if(NOT exit_code EQUAL 0 OR NOT err MATCHES "the chart is in [^\n]+: open it with a web browser\n$")
  message(FATAL_ERROR "replay with a chart: exit code ${exit_code}, ${err}")
endif()
file(SIZE ${CHART} size)
if(size GREATER MOST_BYTES)
  message(FATAL_ERROR "the chart takes ${size} bytes, more than ${MOST_BYTES}")
endif()
execute_process(COMMAND xmllint --noout ${CHART} RESULT_VARIABLE not_xml ERROR_VARIABLE why)
if(not_xml)
  message(FATAL_ERROR "the chart is not well-formed XML: ${why}")
endif()
file(READ ${CHART} svg)
string(REGEX MATCHALL "<path [^>]* d=\"M[0-9]" lines "${svg}")
list(LENGTH lines line_count)
if(NOT line_count EQUAL 2)
  message(FATAL_ERROR "the chart draws ${line_count} step lines, expected the position's and the quantity's")
endif()
execute_process(COMMAND rsvg-convert --output ${CHART}.png ${CHART} RESULT_VARIABLE not_drawn
                ERROR_VARIABLE why)
if(not_drawn)
  message(FATAL_ERROR "the renderer could not draw the chart: ${why}")
endif()
file(READ ${CHART}.png signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "the renderer made no PNG image of the chart")
endif()
file(REMOVE ${CHART} ${CHART}.png)
