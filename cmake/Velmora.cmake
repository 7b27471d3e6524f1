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

# Installed documents live in share/doc/velmora, as Debian keeps them, whatever the prefix.
set(VELMORA_DOCDIR share/doc/velmora)

# The version and licence notice both Linux programs print, from the project version and LICENSE
# (its first line names the licence, one line holds the copyright).
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE VELMORA_LICENCE LIMIT_COUNT 1)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE VELMORA_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/generated/velmora_version.h @ONLY)
add_library(velmora_version INTERFACE)
target_include_directories(velmora_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# velmora_man_page(FILE SECTION): installs a manual page compressed, as man pages are shipped.
function(velmora_man_page file section)
  get_filename_component(name ${file} NAME)
  # A relative FILE is in the source; an absolute one may be made by the build.
  get_filename_component(page ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9 -n -c ${page} > ${gz}
    DEPENDS ${page} VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${gz})
  install(FILES ${gz} DESTINATION share/man/man${section})
endfunction()

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

# velmora_test(NAME SOURCES... [LIBS ...] [LABELS ...]): a GoogleTest binary registered with CTest,
# each test labelled unit; with LABELS, the whole binary also runs as a test of those labels.
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
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES LABELS unit)
  # Discovered tests keep one label only (a list loses its separators on the way), so further
  # labels go to one more test that runs the whole binary.
  if(ARG_LABELS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
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
