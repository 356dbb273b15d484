# Shared build settings and the two helpers every folder uses:
#   tickwell_library(<name> [DEPS ...])  the folder's *.cpp (not *_test.cpp) plus, when present,
#                                        its win32/ or sim/ subfolder for the current platform
#   tickwell_tests(<name> [DEPS ...])    one GoogleTest executable of the folder's *_test.cpp
#                                        (and the platform subfolder's), registered with CTest

set(TICKWELL_WARNINGS -Wall -Wextra)

if(WIN32)
  # The programs must run with no runtime DLL beside them.
  set(TICKWELL_LINK_STATIC -static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(${TICKWELL_LINK_STATIC})
elseif(TICKWELL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(_tickwell_sources out pattern)
  file(GLOB found CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${pattern}
       ${CMAKE_CURRENT_SOURCE_DIR}/${TICKWELL_PLATFORM}/${pattern})
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(tickwell_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  _tickwell_sources(sources "*.cpp")
  list(FILTER sources EXCLUDE REGEX "_(test|main)\\.cpp$")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${TICKWELL_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY TICKWELL_LIBRARIES ${name})
endfunction()

function(tickwell_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  _tickwell_sources(sources "*_test.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_compile_options(${name} PRIVATE ${TICKWELL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} gtest gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
