# Windows build: Tarvex.exe, the Win32 tests run under Wine, the e2e driver and suites.

# Sections at page boundaries in the file too: Wine maps such an image from the file, but
# copies every section of a 512-byte aligned one, the debug information included, into the
# process's private memory (about 5 MB for Tarvex.exe). Windows maps either kind.
add_link_options(-Wl,--file-alignment,4096)

# A small program: optimised for size, and every function or datum that nothing references
# left out of the image.
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-Os -g -DNDEBUG")
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)

# The "Bug Report" dialog walks the call stack by frame pointers on 32-bit Windows (no symbol
# files ship), so every function keeps one; x86_64 unwinds by its tables instead.
if(TARVEX_MINGW_ARCH STREQUAL "i686")
  add_compile_options(-fno-omit-frame-pointer)
endif()

# GoogleTest built with mingw from the sources Debian ships.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its Notification waits on std::condition_variable, which the win32 thread model lacks:
# a Win32 one comes in through GoogleTest's custom port header, found first.
target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/support/gtest_port)
target_sources(gtest PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/gtest_port/notification.cpp)

# The Win32 shell: every source in a win32/ folder except the entry point.
file(GLOB_RECURSE SHELL_SOURCES CONFIGURE_DEPENDS src/*/win32/*.cpp)
list(FILTER SHELL_SOURCES EXCLUDE REGEX "/app/win32/winmain\\.cpp$")
set(RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
add_library(tarvex_shell STATIC ${SHELL_SOURCES})
target_include_directories(tarvex_shell PUBLIC ${RESOURCE_DIR})
target_link_libraries(tarvex_shell PUBLIC tarvex_core
  comctl32 shell32 gdi32 msimg32 user32 advapi32 version winmm ole32 uuid wininet ws2_32)
# The open and save dialogs of the registry files.
target_link_libraries(tarvex_shell PUBLIC comdlg32)

file(GLOB RESOURCE_FILES CONFIGURE_DEPENDS ${RESOURCE_DIR}/*.ico ${RESOURCE_DIR}/*.bmp
     ${RESOURCE_DIR}/*.png ${RESOURCE_DIR}/*.manifest ${RESOURCE_DIR}/*.h ${RESOURCE_DIR}/Pictures.rc)
set_source_files_properties(${RESOURCE_DIR}/Tarvex.rc PROPERTIES
  OBJECT_DEPENDS "${RESOURCE_FILES};${CMAKE_BINARY_DIR}/generated/build_version.h")
set_source_files_properties(${RESOURCE_DIR}/Pictures.rc PROPERTIES OBJECT_DEPENDS "${RESOURCE_FILES}")
add_executable(Tarvex WIN32 src/app/win32/winmain.cpp ${RESOURCE_DIR}/Tarvex.rc)
target_link_options(Tarvex PRIVATE -municode)
target_link_libraries(Tarvex PRIVATE tarvex_shell)
set_target_properties(Tarvex PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# The shipped exe carries no debug information: Tarvex.exe.debug beside it keeps it for
# crash analysis, and gdb finds it through the exe's debug link.
add_custom_command(TARGET Tarvex POST_BUILD
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Tarvex> $<TARGET_FILE:Tarvex>.debug
  COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:Tarvex>.debug $<TARGET_FILE:Tarvex>
  VERBATIM)

include(cmake/help.cmake)

# The driver that e2e tests and scripts use to work the program from outside.
add_library(tarvex_driver STATIC tools/driver/driver.cpp)
target_include_directories(tarvex_driver PUBLIC tools/driver src)
target_link_libraries(tarvex_driver PUBLIC tarvex_shell psapi)
add_executable(tvdriver tools/driver/tvdriver.cpp)
target_link_options(tvdriver PRIVATE -municode)
target_link_libraries(tvdriver PRIVATE tarvex_driver)
set_target_properties(tvdriver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The browser the link tests register: it records the address it is given.
add_executable(browser_stub WIN32 tools/browser_stub/browser_stub.cpp)
target_link_options(browser_stub PRIVATE -municode)
set_target_properties(browser_stub PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The netsh.exe the modern TCP tests put in a prefix's system32: it records its arguments and
# refuses as told (see its header).
add_executable(netsh_stub tools/netsh_stub/netsh_stub.cpp)
target_link_options(netsh_stub PRIVATE -municode)
set_target_properties(netsh_stub PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# An empty window program built like Tarvex.exe, the baseline of the start-up benchmark.
set_source_files_properties(tools/empty_window/empty_window.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/tools/empty_window/comctl6.manifest;${CMAKE_SOURCE_DIR}/tools/empty_window/empty_window_ids.h")
add_executable(EmptyWindow WIN32 tools/empty_window/empty_window.cpp tools/empty_window/empty_window.rc)
target_include_directories(EmptyWindow PRIVATE tools/empty_window)
target_link_options(EmptyWindow PRIVATE -municode)
set_target_properties(EmptyWindow PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# One update download, the component's or a bare WinInet reader's (tools/bench-update-download).
add_executable(bench_update_download tools/bench_update/bench_update_download.cpp)
target_link_options(bench_update_download PRIVATE -municode)
target_link_libraries(bench_update_download PRIVATE tarvex_shell)
set_target_properties(bench_update_download PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The shipped program is the i686 build: its imports are checked wherever it is built.
if(TARVEX_MINGW_ARCH STREQUAL "i686")
  add_test(NAME exe.imports COMMAND sh ${CMAKE_SOURCE_DIR}/tests/e2e/check_imports.sh $<TARGET_FILE:Tarvex>)
  add_test(NAME exe.lean COMMAND sh ${CMAKE_SOURCE_DIR}/tests/e2e/check_lean.sh $<TARGET_FILE:Tarvex>)
endif()

# The tests that run programs under Wine, in the tree whose architecture the host's Wine
# runs (tools/wine-env chooses; scripts/build passes the choice).
option(TARVEX_WINE_TESTS "Run this tree's programs under Wine in ctest" ON)
if(NOT TARVEX_WINE_TESTS)
  return()
endif()

set(WINE_TEST_ENV "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
# The test run's prefixes, made by tools/wine-prefix (scripts/test runs it first).
get_filename_component(TARVEX_WINE_DIR ${CMAKE_BINARY_DIR}/../wine ABSOLUTE)

# Win32 unit tests: adapters, controls and windows in the shared headless prefix. They carry
# the program's pictures (not its manifest or icons), which the panels load by name.
file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
add_executable(win32_tests ${WIN32_TEST_SOURCES} ${RESOURCE_DIR}/Pictures.rc)
target_include_directories(win32_tests PRIVATE tests)
target_link_options(win32_tests PRIVATE -municode)
target_link_libraries(win32_tests PRIVATE tarvex_driver gtest ws2_32 iphlpapi)
add_dependencies(win32_tests netsh_stub)
add_test(NAME win32.tests COMMAND win32_tests)
set_tests_properties(win32.tests PROPERTIES ENVIRONMENT
  "${WINE_TEST_ENV};WINEPREFIX=${TARVEX_WINE_DIR}/headless")

# The update component over WinInet against tools/update_server.py on loopback, started for
# the run; the suite's tests skip themselves in win32.tests.
add_test(NAME win32.update_server
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/run_with_update_server.sh --installer-size 5242880
          -- ${WINE_PROGRAM} $<TARGET_FILE:win32_tests> --gtest_filter=UpdateServer.*)
set_tests_properties(win32.update_server PROPERTIES ENVIRONMENT
  "${WINE_TEST_ENV};WINEPREFIX=${TARVEX_WINE_DIR}/headless" TIMEOUT 300)

# Without IP Helper (the DLL disabled for this one process) the interface table reads 50 and no
# rows, and nothing fails.
add_test(NAME win32.ip_helper_missing
  COMMAND sh -c "out=$(WINEDLLOVERRIDES='mscoree,mshtml=;iphlpapi=d' \"$0\" \"$1\" interface-table | tr -d '\\r') && test \"$out\" = status=50"
          ${WINE_PROGRAM} $<TARGET_FILE:tvdriver>)
set_tests_properties(win32.ip_helper_missing PROPERTIES ENVIRONMENT "WINEDEBUG=-all;WINEPREFIX=${TARVEX_WINE_DIR}/headless")

# The main window's layout at 96 and 144 DPI. The test makes the window in its own process, so
# it carries the program's resources (pictures, image strips, manifest) as Tarvex.exe does; it
# runs like an e2e suite, without a display, in a prefix of its own whose LogPixels sets the
# DPI (a copy of the template: the headless prefix is in use by win32.tests meanwhile). Its
# pictures of the pages stay in layout/<dpi>/screens.
file(GLOB LAYOUT_TEST_SOURCES CONFIGURE_DEPENDS tests/layout/*.cpp)
add_executable(layout_tests ${LAYOUT_TEST_SOURCES} tests/e2e/support/e2e.cpp ${RESOURCE_DIR}/Tarvex.rc)
target_include_directories(layout_tests PRIVATE tests)
target_link_options(layout_tests PRIVATE -municode)
target_link_libraries(layout_tests PRIVATE tarvex_driver gtest)
foreach(dpi 96 144)
  add_test(NAME win32.layout${dpi}
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/e2e/run_suite.sh - $<TARGET_FILE:layout_tests>
            ${TARVEX_WINE_DIR}/template ${CMAKE_BINARY_DIR}/layout/${dpi})
  set_tests_properties(win32.layout${dpi} PROPERTIES ENVIRONMENT "${WINE_TEST_ENV};TARVEX_LOG_PIXELS=${dpi}"
                       TIMEOUT 300)
endforeach()

# e2e suites: each runs the shipped Tarvex.exe in a prefix, wineserver and Xvfb
# display of its own, so suites run in parallel.
file(GLOB E2E_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
set(display 91)
foreach(source IN LISTS E2E_SOURCES)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source} tests/e2e/support/e2e.cpp)
  target_include_directories(${name} PRIVATE tests)
  target_link_options(${name} PRIVATE -municode)
  target_link_libraries(${name} PRIVATE tarvex_driver gtest)
  add_dependencies(${name} Tarvex browser_stub netsh_stub)
  # A suite named *_netns_test runs in a network namespace of its own with a veth pair; the
  # update suite runs with the update server, whose installer is the browser stub (it records
  # the parameters it was started with).
  set(runner sh ${CMAKE_SOURCE_DIR}/tests/e2e/run_suite.sh)
  if(name MATCHES "_netns_test$")
    set(runner sh ${CMAKE_SOURCE_DIR}/tests/e2e/run_in_netns.sh)
    target_link_libraries(${name} PRIVATE ws2_32)
  elseif(name STREQUAL "update_test")
    set(runner bash ${CMAKE_SOURCE_DIR}/tests/win32/run_with_update_server.sh --installer $<TARGET_FILE:browser_stub>
               --run-parameters "/SILENT /UPDATE" -- ${runner})
  endif()
  # A suite named *_path_test runs across a path of known delay and rate (tools/test_path.sh:
  # two namespaces, tools/delay_line.py between them, tools/speed_server.py in the far one), once
  # per path below, the second at 144 DPI.
  if(name MATCHES "_path_test$")
    foreach(path "50;50;96" "200;10;144")
      list(GET path 0 delay)
      list(GET path 1 rate)
      list(GET path 2 dpi)
      add_test(NAME e2e.${name}.${delay}ms
        COMMAND sh ${CMAKE_SOURCE_DIR}/tools/test_path.sh --delay-ms ${delay} --rate-mbit ${rate}
                --server "exec python3 ${CMAKE_SOURCE_DIR}/tools/speed_server.py --congestion cubic"
                -- sh ${CMAKE_SOURCE_DIR}/tests/e2e/run_suite.sh ${display} $<TARGET_FILE:${name}>
                ${TARVEX_WINE_DIR}/template ${CMAKE_BINARY_DIR}/e2e/${name}.${delay}ms)
      set_tests_properties(e2e.${name}.${delay}ms PROPERTIES ENVIRONMENT
                           "${WINE_TEST_ENV};TARVEX_EXE=$<TARGET_FILE:Tarvex>;TARVEX_LOG_PIXELS=${dpi}" TIMEOUT 600)
      math(EXPR display "${display} + 1")
    endforeach()
    continue()
  endif()
  add_test(NAME e2e.${name}
    COMMAND ${runner} ${display} $<TARGET_FILE:${name}>
            ${TARVEX_WINE_DIR}/template ${CMAKE_BINARY_DIR}/e2e/${name})
  set_tests_properties(e2e.${name} PROPERTIES ENVIRONMENT "${WINE_TEST_ENV};TARVEX_EXE=$<TARGET_FILE:Tarvex>"
                       TIMEOUT 600)
  math(EXPR display "${display} + 1")
endforeach()
