# add_study_module: a study module for the host, from the study kit.
#
#   add_study_module(NAME SOURCES source... [NO_TEST])
#
# Builds the module NAME_64 (NAME_64.dll when cross-building for Windows,
# NAME_64.so natively, no "lib" in front), linked with the kit's text value,
# input conversions and process heap (the target study_kit), exporting its
# name, its interface version and every study function (scsf_...), nothing
# else. As a DLL it carries the C++ runtime inside (a trader's machine has
# no compiler's runtime), gives that runtime's exception pool back as it is
# unloaded, and is built with ASLR (high-entropy addresses) and DEP. Unless
# NO_TEST, a test `validate_NAME` runs `study-host validate` on it: the
# study-host program is STUDY_HOST_PROGRAM (the kit's), or the target
# study-host when this build makes one; cross-built, under
# CMAKE_CROSSCOMPILING_EMULATOR (wine).
# The linker's version script that keeps a native module's exports to its
# name, its version and its study functions: its path in `out`.
function(study_module_exports_map out)
  set(map ${CMAKE_BINARY_DIR}/study-module-exports.map)
  if(NOT EXISTS ${map})
    file(WRITE ${map}
         "{\n  global:\n    scdll_DLLName;\n    scdll_DLLVersion;\n    scsf_*;\n  local:\n    *;\n};\n")
  endif()
  set(${out} ${map} PARENT_SCOPE)
endfunction()

function(add_study_module name)
  cmake_parse_arguments(PARSE_ARGV 1 study "NO_TEST" "" "SOURCES")
  set(target ${name}_64)
  add_library(${target} MODULE ${study_SOURCES})
  set_target_properties(${target} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PRIVATE study_kit)
  if(WIN32)
    # The runtime linked in, ASLR with high-entropy addresses, DEP, and no
    # symbols of the static runtime shipped.
    target_link_options(${target} PRIVATE -static -Wl,--dynamicbase -Wl,--high-entropy-va
                        -Wl,--nxcompat -s)
    target_link_libraries(${target} PRIVATE study_kit_exception_pool)
  else()
    # Only the module's name, version and study functions are visible.
    study_module_exports_map(exports)
    target_link_options(${target} PRIVATE "-Wl,--version-script=${exports}")
    if(NOT STUDY_SANITIZERS)
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  if(study_NO_TEST)
    return()
  endif()
  if(STUDY_HOST_PROGRAM)
    set(tool ${STUDY_HOST_PROGRAM})
  elseif(TARGET study-host)
    set(tool $<TARGET_FILE:study-host>)
  else()
    message(FATAL_ERROR "add_study_module(${name}): no study-host to validate it with "
                        "(set STUDY_HOST_PROGRAM, or pass NO_TEST)")
  endif()
  add_test(NAME validate_${name}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${tool} validate $<TARGET_FILE:${target}>)
endfunction()
