# 64-bit Windows with MinGW-w64 (posix threads). The tests of this build run under wine64.
set(KB_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# Test programs run under Wine in a prefix of their own, quietly, without the Mono/Gecko prompts.
set(KBCONFIG_WINEPREFIX "" CACHE PATH "Wine prefix the tests run in (empty: <build>/wineprefix)")
if(KBCONFIG_WINEPREFIX)
  set(_kb_wineprefix ${KBCONFIG_WINEPREFIX})
else()
  set(_kb_wineprefix ${CMAKE_BINARY_DIR}/wineprefix)
endif()
find_program(KB_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KB_WINE64 NAMES wine64)
if(KB_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${_kb_wineprefix} WINEDEBUG=-all
      "WINEDLLOVERRIDES=mscoree,mshtml=" ${KB_WINE64})
endif()
