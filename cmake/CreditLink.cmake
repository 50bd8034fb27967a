# The author credit shown in the study's description, set at configure time.
set(STUDY_CREDIT_ADDRESS "https://github.com/zrpalvessa/zrPalvessa"
    CACHE STRING "Web address the study's author credit links to")
set(STUDY_CREDIT_NAME "zrPalvessa developers"
    CACHE STRING "Display name of the study's author credit")

# The credit is written as <a href = "ADDRESS">NAME</a>; refuse what would break it.
foreach(forbidden IN ITEMS "\"" "\n" "\\")
  string(FIND "${STUDY_CREDIT_ADDRESS}" "${forbidden}" position)
  if(NOT position EQUAL -1)
    message(FATAL_ERROR "STUDY_CREDIT_ADDRESS must not contain a double quote, backslash or "
                        "line break: '${STUDY_CREDIT_ADDRESS}'")
  endif()
endforeach()
foreach(forbidden IN ITEMS "<" "\"" "\n" "\\")
  string(FIND "${STUDY_CREDIT_NAME}" "${forbidden}" position)
  if(NOT position EQUAL -1)
    message(FATAL_ERROR "STUDY_CREDIT_NAME must not contain '<', a double quote, backslash or "
                        "line break: '${STUDY_CREDIT_NAME}'")
  endif()
endforeach()
if(STUDY_CREDIT_ADDRESS STREQUAL "" OR STUDY_CREDIT_NAME STREQUAL "")
  message(FATAL_ERROR "STUDY_CREDIT_ADDRESS and STUDY_CREDIT_NAME must not be empty")
endif()
