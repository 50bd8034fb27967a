# Flags shared by every target: warnings as errors, release optimisation,
# reproducible paths, optional sanitizers, and the Windows C runtime
# settings.

add_compile_options(-Wall -Wextra -Werror)

# Release builds at -O2, as the module's speed is measured natively: the
# compiler's default -O3 made every Windows build a fifth slower.
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")

# Keep build paths out of the binaries so two clean builds match byte for byte.
add_compile_options(
  "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
  "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build")

if(STUDY_SANITIZERS)
  add_compile_options(-fsanitize=${STUDY_SANITIZERS} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${STUDY_SANITIZERS})
endif()

if(WIN32)
  # C99 printf semantics (a null buffer counts the needed length) instead of
  # the system runtime's own.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 WIN32_LEAN_AND_MEAN NOMINMAX)
  # Self-contained binaries: no libgcc, libstdc++ or winpthread DLLs beside them,
  # and no link timestamp.
  add_link_options(-static -Wl,--no-insert-timestamp)
endif()
