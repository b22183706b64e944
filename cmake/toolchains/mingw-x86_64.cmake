# 64-bit Windows with MinGW-w64 (posix threads). Its tests run under wine64.
set(KB_MINGW_TRIPLE x86_64-w64-mingw32)
set(KB_WINE_LOADER wine64)
set(KB_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
