# Proves the release zip check fails when it should: makes a faulty copy of
# the built zip (or names the wrong DLL), runs the check on it and prints
# "check refused: <its message>" when the check fails, as it must.
#   ZIP, DLL, TOOL, WORK (a scratch folder), FAULT:
#     other_dll       the check is given the tool as the build's DLL
#     edited_guide    README.txt changed after its checksum was taken
#     no_checksums    SHA256SUMS.txt left out
#     lf_guide        README.txt with bare line feeds, its checksum updated
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ReleaseFiles.cmake)
set(files ${release_payload} SHA256SUMS.txt)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/files)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${WORK}/files)

set(dll ${DLL})
if(FAULT STREQUAL "other_dll")
  set(dll ${TOOL})
elseif(FAULT STREQUAL "edited_guide")
  file(APPEND ${WORK}/files/README.txt "an added line\r\n")
elseif(FAULT STREQUAL "no_checksums")
  list(REMOVE_ITEM files SHA256SUMS.txt)
elseif(FAULT STREQUAL "lf_guide")
  file(READ ${WORK}/files/README.txt guide)
  string(REPLACE "\r\n" "\n" guide "${guide}")
  file(WRITE ${WORK}/files/README.txt "${guide}")
  set(sums "")
  foreach(name IN LISTS release_payload)
    file(SHA256 ${WORK}/files/${name} digest)
    string(APPEND sums "${digest}  ${name}\n")
  endforeach()
  file(WRITE ${WORK}/files/SHA256SUMS.txt "${sums}")
else()
  message(FATAL_ERROR "unknown FAULT '${FAULT}'")
endif()

set(faulty ${WORK}/faulty.zip)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${faulty} --format=zip ${files}
                WORKING_DIRECTORY ${WORK}/files)
execute_process(
  COMMAND ${CMAKE_COMMAND} -DZIP=${faulty} -DDLL=${dll} -DTOOL=${TOOL} -DWORK=${WORK}/check
          -P ${CMAKE_CURRENT_LIST_DIR}/check_release_zip.cmake
  RESULT_VARIABLE result ERROR_VARIABLE complaint)
file(REMOVE_RECURSE ${WORK})
if(result EQUAL 0)
  message(FATAL_ERROR "the check accepted a zip with the fault ${FAULT}")
endif()
string(REGEX REPLACE "[ \t\r\n]+" " " complaint "${complaint}")
message("check refused: ${complaint}")
