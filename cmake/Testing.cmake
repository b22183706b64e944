# kb_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# Builds one GoogleTest executable and registers its tests with CTest (label "unit" by default).
function(kb_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13 AND MINGW)
    # gcc 12 for MinGW reports false -Wrestrict warnings in the tests' string building
    # (`"x" + std::to_string(n)` and the like; gcc bug 105651). The program keeps the warning.
    target_compile_options(${name} PRIVATE -Wno-restrict)
  endif()
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    # Cross-built: each program is one test, run under Wine (CMAKE_CROSSCOMPILING_EMULATOR) with
    # the label win32. Starting Wine once per test case would cost about a second each.
    # It keeps its own labels too (ui, unit), so `ctest -L ui` picks the Qt tests.
    set(labels win32 ${ARG_LABELS})
    list(REMOVE_DUPLICATES labels)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    return()
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${ARG_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# kb_add_window_manager_test(<target> [LABELS <labels...>]) (Linux): registers the GoogleTest program
# <target> as one test that runs on a virtual X display of its own with a window manager
# (tools/with-window-manager.sh); skipped, with the reason, where Xvfb or the window manager is
# missing. Such tests never run side by side (a display number given by KBCONFIG_XVFB_DISPLAY is one).
function(kb_add_window_manager_test target)
  cmake_parse_arguments(ARG "" "" "LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_test(NAME ${target} COMMAND bash ${PROJECT_SOURCE_DIR}/tools/with-window-manager.sh $<TARGET_FILE:${target}>)
  set_tests_properties(${target} PROPERTIES LABELS "${ARG_LABELS}" SKIP_RETURN_CODE 77 RESOURCE_LOCK x11_window_manager
    TIMEOUT 300)
endfunction()
