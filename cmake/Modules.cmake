# Every module of the program, lowest layer first. Each folder lists its own sources.
include(${CMAKE_CURRENT_LIST_DIR}/Testing.cmake)

add_subdirectory(support)
add_subdirectory(threads)
add_subdirectory(platform)
add_subdirectory(device)
add_subdirectory(hostdrv)
add_subdirectory(model)
if(KBCONFIG_BUILD_UI)
endif()
add_subdirectory(app)

if(KBCONFIG_BUILD_TESTS)
  add_subdirectory(tests)
endif()
