# Installs the build into a fresh stage, writes SHA256SUMS.txt for it and
# zips the files in a fixed order, each dated DATE (UTC) with fixed
# permissions and no extra fields, so every build of a commit gives the same
# bytes. (cmake -E tar stores each file's access and change times, which
# differ from build to build; Info-ZIP's zip -X stores neither.)
#   BUILD, STAGE, ZIP, ZIP_PROGRAM, DATE (YYYY-MM-DD)
include(${CMAKE_CURRENT_LIST_DIR}/ReleaseFiles.cmake)
set(payload ${release_payload})
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE}
                OUTPUT_QUIET RESULT_VARIABLE installed)
file(GLOB staged RELATIVE ${STAGE} ${STAGE}/*)
list(SORT staged)
set(expected ${payload})
list(SORT expected)
if(NOT installed EQUAL 0 OR NOT staged STREQUAL expected)
  message(FATAL_ERROR "the install tree holds [${staged}], expected [${expected}]")
endif()

set(sums "")
foreach(name IN LISTS payload)
  file(SHA256 ${STAGE}/${name} digest)
  string(APPEND sums "${digest}  ${name}\n")
endforeach()
file(WRITE ${STAGE}/SHA256SUMS.txt "${sums}")

set(files ${payload} SHA256SUMS.txt)
foreach(name IN LISTS files)
  file(CHMOD ${STAGE}/${name} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()
execute_process(COMMAND touch -d "${DATE} 00:00:00 UTC" ${files} WORKING_DIRECTORY ${STAGE}
                RESULT_VARIABLE touched)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -q -X -D ${ZIP} ${files}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE zipped)
if(NOT touched EQUAL 0 OR NOT zipped EQUAL 0)
  message(FATAL_ERROR "could not zip the release into ${ZIP}")
endif()
