# Shared part of the MinGW-w64 toolchains: include after setting KB_MINGW_TRIPLE.
# Our own executables link the C++ runtime and winpthreads statically, so the Qt-free ones run
# under Wine or on Windows without extra DLLs; the Qt DLLs bring their own copies of the runtime
# DLLs, which the program folder carries. Tests run through Wine (CMAKE_CROSSCOMPILING_EMULATOR,
# set by the architecture's file).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KB_MINGW_TRIPLE}-windres)

# Libraries cross-built for this target (pugixml, GoogleTest) are installed under this prefix.
set(KBCONFIG_WIN_DEPS "" CACHE PATH "Install prefix of the cross-built pugixml and GoogleTest")
# Qt for this target (the unpacked qt-6.<x>-<arch>-w64-mingw32 folder); empty builds without Qt.
# Its host tools (moc, rcc, uic) are the build machine's own Qt of the same version.
set(KBCONFIG_QT_DIR "" CACHE PATH "Qt cross-built for this target with MinGW-w64")
if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr)
endif()
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KBCONFIG_WIN_DEPS KBCONFIG_QT_DIR KBCONFIG_WINEPREFIX)

# Packages are searched only inside the target's own folders, never among the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${KB_MINGW_TRIPLE} ${KBCONFIG_WIN_DEPS} ${KBCONFIG_QT_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Release at -O2: smaller code, and at -O3 gcc 12 reports more false -Wrestrict warnings inside
# libstdc++'s string concatenation (gcc bug 105651).
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the C compiler in Release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the C++ compiler in Release builds")

# Tests are listed when ctest runs, not at build time, so building never needs Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Test programs run under Wine in a prefix of their own, quietly, without the Mono/Gecko prompts,
# through <build>/wine-run (also handy by hand: <build>/wine-run <program.exe> [arguments]).
# The Qt tests find Qt's DLLs, the MinGW runtime DLLs those load and Qt's plugins through the
# environment (the Unix environment reaches the Windows process); the program folder carries
# its own and needs none of it.
set(KBCONFIG_WINEPREFIX "" CACHE PATH "Wine prefix the tests run in (empty: <build>/wineprefix)")
if(KBCONFIG_WINEPREFIX)
  set(_kb_wineprefix ${KBCONFIG_WINEPREFIX})
else()
  set(_kb_wineprefix ${CMAKE_BINARY_DIR}/wineprefix)
endif()
set(_kb_qt_environment "")
if(KBCONFIG_QT_DIR)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE _kb_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(_kb_runtime_folder "${_kb_libstdcxx}" DIRECTORY)
  set(_kb_qt_environment "export WINEPATH='Z:${KBCONFIG_QT_DIR}/bin;Z:${_kb_runtime_folder};Z:/usr/${KB_MINGW_TRIPLE}/lib'
export QT_PLUGIN_PATH='Z:${KBCONFIG_QT_DIR}/plugins'")
endif()
find_program(KB_WINE NAMES ${KB_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KB_WINE NAMES ${KB_WINE_LOADER})
if(KB_WINE)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
