# Cross build for 32-bit Windows with Debian's mingw-w64: the saver for 32-bit systems, and the
# one that can run the 9x family's own duties.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
