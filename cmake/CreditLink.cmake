# The author credit shown in the study's description, set at configure time.
set(STUDY_CREDIT_ADDRESS "https://github.com/zrpalvessa/zrPalvessa"
    CACHE STRING "Web address the study's author credit links to")
set(STUDY_CREDIT_NAME "zrPalvessa developers"
    CACHE STRING "Display name of the study's author credit")

# The credit is written as <a href = "ADDRESS">NAME</a> into a C string:
# refuse what would break either. Neither value may hold a control character;
# the address holds nothing a URL may not hold unescaped in a quoted attribute
# (a double quote, <, >, a backslash or a blank), the name no <, double quote
# or backslash.
set(control_characters "")
foreach(code RANGE 1 31)
  string(ASCII ${code} character)
  string(APPEND control_characters "${character}")
endforeach()
string(ASCII 127 delete)
string(APPEND control_characters "${delete}")

function(study_refuse value_name pattern what)
  if("${${value_name}}" MATCHES "${pattern}")
    message(FATAL_ERROR "${value_name} must not contain ${what}: '${${value_name}}'")
  endif()
endfunction()

foreach(value STUDY_CREDIT_ADDRESS STUDY_CREDIT_NAME)
  if("${${value}}" STREQUAL "")
    message(FATAL_ERROR "${value} must not be empty")
  endif()
  study_refuse(${value} "[${control_characters}]" "a control character")
endforeach()
study_refuse(STUDY_CREDIT_ADDRESS "[\"<> \\\\]" "a double quote, <, >, a backslash or a blank")
study_refuse(STUDY_CREDIT_NAME "[<\"\\\\]" "<, a double quote or a backslash")
