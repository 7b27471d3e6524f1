# Shared by the mingw-w64 toolchain files, which set VELMORA_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first: Debian's cross compilers of the posix thread model (for std::thread
# and std::mutex), programs linked statically so velmora.scr needs only DLLs that ship with
# Windows, and tests run under Wine through CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${VELMORA_MINGW_PREFIX}-gcc-posix ${VELMORA_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VELMORA_MINGW_PREFIX}-g++-posix ${VELMORA_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VELMORA_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file to copy: no libgcc, libstdc++ or winpthread DLLs beside the executables (nor beside
# the test DLLs that stand in for the platform's).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows 7 API level: per-monitor DPI awareness comes from the manifest, not from newer calls.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

find_program(VELMORA_WINE NAMES wine wine64)
if(VELMORA_WINE)
  get_filename_component(_velmora_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
  set(VELMORA_TEST_EMULATOR "${_velmora_root}/scripts/wine-run.sh" CACHE STRING
      "Runs a cross-built test program")
endif()
