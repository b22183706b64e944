# Every module of the program, lowest layer first. Each folder lists its own sources.
include(${CMAKE_CURRENT_LIST_DIR}/Testing.cmake)

add_subdirectory(support)
add_subdirectory(threads)
add_subdirectory(platform)
add_subdirectory(device)
add_subdirectory(hostdrv)
add_subdirectory(playback)
add_subdirectory(model)
add_subdirectory(lighting)
add_subdirectory(outside)
add_subdirectory(profiles)
if(KBCONFIG_BUILD_UI)
  add_subdirectory(ui)
endif()
add_subdirectory(app)
# The Debian package of the Linux program (CPack, packaging/linux/).
if(KBCONFIG_BUILD_UI AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  add_subdirectory(packaging/linux)
endif()

# Small programs with windows, for the tests and the benchmark of switching by the program in front.
if((KBCONFIG_BUILD_TESTS OR KBCONFIG_BUILD_BENCHMARKS) AND CMAKE_SYSTEM_NAME MATCHES "^(Linux|Windows)$")
  add_subdirectory(tests/foreground_programs)
endif()
if(KBCONFIG_BUILD_TESTS)
  add_subdirectory(tests)
endif()
if(KBCONFIG_BUILD_BENCHMARKS)
  add_subdirectory(bench)
endif()

# libFuzzer targets: only in a separate clang configure (tools/run-fuzz.sh).
option(KBCONFIG_BUILD_FUZZERS "Build the libFuzzer targets (needs clang; see tools/run-fuzz.sh)" OFF)
if(KBCONFIG_BUILD_FUZZERS)
  add_subdirectory(fuzz)
endif()
