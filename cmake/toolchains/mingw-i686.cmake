# 32-bit Windows with MinGW-w64 (posix threads): the program's own target. Its tests run under
# the 32-bit Wine (Debian's wine32) in a 32-bit prefix.
set(KB_MINGW_TRIPLE i686-w64-mingw32)
set(KB_WINE_LOADER wine)
set(KB_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)
