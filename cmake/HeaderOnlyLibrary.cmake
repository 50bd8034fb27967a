# A header-only library from Debian's packages, for a target: its headers
# found on the build machine and, in the cross build, copied into a folder
# of their own, so no other header of the build machine's /usr/include
# leaks into the Windows build.
#   study_use_header_library(TARGET HEADER DIRECTORY PACKAGE)
# HEADER is what the sources include (CLI/CLI.hpp, utf8.h); DIRECTORY the
# files to copy beside it (CLI, utf8); PACKAGE what to install when missing.
function(study_use_header_library target header directory package)
  string(MAKE_C_IDENTIFIER "STUDY_INCLUDE_${header}" found)
  find_path(${found} ${header} PATHS /usr/include /usr/include/utf8cpp NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${found})
    message(FATAL_ERROR "${target} needs ${header}: apt-get install ${package}")
  endif()
  set(include_dir ${${found}})
  if(CMAKE_CROSSCOMPILING)
    # The real files, not Debian's links to them (utf8.h -> utf8cpp/utf8.h).
    set(include_dir ${CMAKE_BINARY_DIR}/header-libraries/${directory})
    file(REAL_PATH ${${found}}/${directory} real_directory)
    file(COPY ${real_directory}/ DESTINATION ${include_dir}/${directory})
    if(NOT header MATCHES "^${directory}/")
      file(REAL_PATH ${${found}}/${header} real_header)
      file(COPY_FILE ${real_header} ${include_dir}/${header})
    endif()
  endif()
  target_include_directories(${target} SYSTEM PRIVATE ${include_dir})
endfunction()
