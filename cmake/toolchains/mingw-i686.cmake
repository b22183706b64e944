# 32-bit Windows with MinGW-w64 (posix threads): the program's own target. Built here, not run
# (running it needs a 32-bit Wine).
set(KB_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)
