# Shared build settings: every target of ours compiles with the same warnings.
function(quorvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
endfunction()

# quorvel_library(NAME SOURCES ... [DEPS ...]): one static library per source folder.
function(quorvel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  quorvel_warnings(${name})
endfunction()

# quorvel_test(NAME SOURCES ... [LIBS ...] [GUI] [LABELS ...]): one test executable per test file.
function(quorvel_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  quorvel_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(env "QUORVEL_SOURCE_DIR=${PROJECT_SOURCE_DIR};QUORVEL_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(ARG_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen" "QTWEBENGINE_DISABLE_SANDBOX=1"
         "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# Adds a subfolder only once it has code: lets subsystems arrive one at a time.
macro(quorvel_optional_subdirectory dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()
