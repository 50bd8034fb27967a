# The study kit, as installed (cmake --install BUILD --component study-kit):
# find_package(StudyKit) gives a project the target study_kit, built from
# the kit's own sources with the project's compiler (natively, or mingw-w64
# for a Windows DLL), and add_study_module() (StudyModule.cmake).
get_filename_component(STUDY_KIT_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

if(NOT TARGET study_kit)
  if(WIN32)
    set(study_kit_heap ${STUDY_KIT_ROOT}/src/process_heap_windows.cpp)
  else()
    set(study_kit_heap ${STUDY_KIT_ROOT}/src/process_heap_posix.cpp)
  endif()
  add_library(study_kit STATIC ${STUDY_KIT_ROOT}/src/study_text.cpp
              ${STUDY_KIT_ROOT}/src/input_conversions.cpp ${study_kit_heap})
  target_include_directories(study_kit PUBLIC ${STUDY_KIT_ROOT}/include)
  target_compile_features(study_kit PUBLIC cxx_std_20)
  set_target_properties(study_kit PROPERTIES POSITION_INDEPENDENT_CODE ON
                                             CXX_VISIBILITY_PRESET hidden)
  if(WIN32)
    # C99 printf (a null buffer counts the length a text needs), as the
    # text value relies on, instead of the system runtime's own.
    target_compile_definitions(study_kit PUBLIC __USE_MINGW_ANSI_STDIO=1)
    add_library(study_kit_exception_pool OBJECT ${STUDY_KIT_ROOT}/src/exception_pool_windows.cpp)
  endif()
endif()

# The kit's study-host, which validates what add_study_module builds.
if(NOT STUDY_HOST_PROGRAM)
  if(WIN32)
    set(study_kit_tool ${STUDY_KIT_ROOT}/bin/study-host.exe)
  else()
    set(study_kit_tool ${STUDY_KIT_ROOT}/bin/study-host)
  endif()
  if(EXISTS ${study_kit_tool})
    set(STUDY_HOST_PROGRAM ${study_kit_tool})
  endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/StudyModule.cmake)
