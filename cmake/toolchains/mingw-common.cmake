# Shared part of the MinGW-w64 toolchains: include after setting KB_MINGW_TRIPLE.
# Programs are linked statically (C++ runtime and winpthreads included), so they run under Wine or
# on Windows without extra DLLs. Tests run through wine64 (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KB_MINGW_TRIPLE}-windres)

# Libraries cross-built for this target (pugixml, GoogleTest) are installed under this prefix.
set(KBCONFIG_WIN_DEPS "" CACHE PATH "Install prefix of the cross-built pugixml and GoogleTest")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KBCONFIG_WIN_DEPS KBCONFIG_WINEPREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${KB_MINGW_TRIPLE} ${KBCONFIG_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Windows 7 API level: CancelIoEx, CM_Get_Device_Interface_List*.
# C99 printf family (%zu, %lld), as the core's format strings expect.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE __USE_MINGW_ANSI_STDIO=1)

# Tests are listed when ctest runs, not at build time, so building never needs Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
