# Cross build for Windows: GoogleTest built from Debian's source package for the target, so that
# velmora_test links the same way as on Linux.
if(VELMORA_TESTS AND NOT TARGET GTest::gtest)
  set(VELMORA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree for the cross build")
  if(NOT EXISTS ${VELMORA_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${VELMORA_GTEST_SOURCE} (apt-get install googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${VELMORA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest 1.12 names its gmock aliases itself; add those it leaves out.
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
endif()
