# One helper per kind of target, so that adding one is one line.

if(MSVC)
  set(VELMORA_WARNINGS /W4)
else()
  set(VELMORA_WARNINGS -Wall -Wextra)
  # GCC 12 reports a false -Wrestrict overlap inside std::string concatenation at -O2 (its bug
  # 105329); the code it points at is the standard library's.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    list(APPEND VELMORA_WARNINGS -Wno-restrict)
  endif()
endif()

if(VELMORA_SANITIZE)
  add_compile_options(-fsanitize=${VELMORA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VELMORA_SANITIZE})
endif()

# velmora_library(NAME SOURCES... [LIBS ...])
function(velmora_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${VELMORA_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# velmora_tool(NAME SOURCES... [LIBS ...])
function(velmora_tool name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VELMORA_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# velmora_test(NAME SOURCES... [LIBS ...] [LABELS ...]): a GoogleTest binary registered with CTest.
function(velmora_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT TARGET GTest::gtest)
    find_package(GTest REQUIRED)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VELMORA_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING AND VELMORA_TEST_EMULATOR)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${VELMORA_TEST_EMULATOR};--headless")
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES LABELS "unit;${ARG_LABELS}")
endfunction()

# velmora_script_test(NAME COMMAND... [LABELS ...]): an end-to-end test run by a script.
function(velmora_script_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "COMMAND;LABELS" ${ARGN})
  add_test(NAME ${name} COMMAND ${ARG_COMMAND})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "e2e;${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT})
endfunction()

# The Windows cross build compiles GoogleTest from source and brings its own resources.
if(CMAKE_CROSSCOMPILING AND WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsCross.cmake)
endif()
