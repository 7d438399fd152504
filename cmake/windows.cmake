# The Windows product and its tests, built with MinGW-w64.

set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
target_compile_definitions(core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x0601 WINVER=0x0601)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS src/win32/*.cpp)
add_library(win32layer STATIC ${WIN32_SOURCES})
target_link_libraries(win32layer PUBLIC core)
target_compile_options(win32layer PRIVATE -Wall -Wextra)

# windowscodecs: only the WIC GUIDs; ole32, wininet, winmm and winhttp are
# loaded at their first use.
set(APP_LIBS comctl32 shell32 user32 gdi32 advapi32 windowscodecs)

add_executable(qingchuang WIN32 src/main_win.cpp resources/app.rc)
target_link_libraries(qingchuang PRIVATE win32layer ${APP_LIBS} ${STATIC_RUNTIME})
target_link_options(qingchuang PRIVATE -municode -s)
set_target_properties(qingchuang PROPERTIES OUTPUT_NAME qingchuang)
# windres needs the include path for control_ids.h and the resource files.
set_property(SOURCE resources/app.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/app.manifest ${CMAKE_SOURCE_DIR}/resources/app.ico)
target_include_directories(qingchuang PRIVATE src resources)

include(GoogleTest)

# GoogleTest built from Debian's sources for the Windows-side tests.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB E2E_SUPPORT CONFIGURE_DEPENDS tests/e2e/support/*.cpp)
if(E2E_SUPPORT)
add_library(e2e_support STATIC ${E2E_SUPPORT})
target_include_directories(e2e_support PUBLIC tests/e2e src)
target_compile_definitions(e2e_support PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
target_link_libraries(e2e_support PUBLIC gtest ${APP_LIBS} winmm)
# tools/audio-check records and analyses what the program plays.
target_compile_definitions(e2e_support PUBLIC E2E_AUDIO_CHECK="${CMAKE_SOURCE_DIR}/tools/audio-check")

file(GLOB E2E_TESTS CONFIGURE_DEPENDS tests/e2e/*_test.cpp)
foreach(src ${E2E_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE e2e_support gtest_main core ${STATIC_RUNTIME})
  # The tests find the product beside themselves, in the build folder.
  add_dependencies(${name} qingchuang)
  # Listed when ctest runs, under Wine; one ctest test per test case.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 TEST_PREFIX "${name}."
    PROPERTIES TIMEOUT 300)
endforeach()
# The panel at 200 %.
gtest_discover_tests(panel_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 TEST_PREFIX panel_test.dpi192.
  PROPERTIES TIMEOUT 300 ENVIRONMENT WINE_ENV_DPI=192)
endif()

# Benchmarks: programs that print their figures; not tests.
add_executable(minimal_window WIN32 bench/minimal_window.cpp)
target_link_libraries(minimal_window PRIVATE ${STATIC_RUNTIME})
target_link_options(minimal_window PRIVATE -municode -s)
add_executable(startup_bench bench/startup_bench.cpp)
target_compile_definitions(startup_bench PRIVATE UNICODE _UNICODE)
target_link_libraries(startup_bench PRIVATE psapi ${STATIC_RUNTIME})
target_link_options(startup_bench PRIVATE -municode)
# Picture-to-wallpaper conversion against djpeg (bench/convert.sh), and its check under Wine.
add_executable(convert_bench bench/convert_bench.cpp)
target_link_libraries(convert_bench PRIVATE win32layer ole32 psapi ${APP_LIBS} ${STATIC_RUNTIME})
target_link_options(convert_bench PRIVATE -municode)

# The help file beside the program.
find_program(CHMCMD chmcmd)
if(CHMCMD)
  file(GLOB HELP_SOURCES CONFIGURE_DEPENDS resources/help/*)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/help.chm
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/make_help.sh ${CMAKE_BINARY_DIR}
    DEPENDS ${HELP_SOURCES} ${CMAKE_SOURCE_DIR}/tools/make_help.sh
    COMMENT "Building help.chm")
  add_custom_target(help_file ALL DEPENDS ${CMAKE_BINARY_DIR}/help.chm)
endif()

# The recordings and the talking clock heard through the sound server. The
# test calls the program's own composition for the minute of a click and has
# tools/audio-check, a Unix program, record and analyse what was played.
if(TARGET sound_test)
  target_link_libraries(sound_test PRIVATE core)
  # The gap between the pieces of an announcement against the platform's gap
  # between two sounds (bench/speech_gap.sh runs it).
  add_executable(speech_gap_bench bench/speech_gap_bench.cpp)
  target_link_libraries(speech_gap_bench PRIVATE e2e_support core ${STATIC_RUNTIME})
  target_link_options(speech_gap_bench PRIVATE -municode)
  add_dependencies(speech_gap_bench qingchuang)
endif()

# The timed shutdown ends the Wine session: checked in an environment of its own.
if(TARGET duties_test)
  add_test(NAME duties_test.shutdown
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/shutdown_check.sh $<TARGET_FILE:duties_test>)
  set_tests_properties(duties_test.shutdown PROPERTIES TIMEOUT 300)
endif()

# The downloader over WinHTTP against tools/fault-server, a Unix program the
# test starts through Wine.
if(TARGET download_test)
  target_link_libraries(download_test PRIVATE wininet)
  target_compile_definitions(download_test PRIVATE E2E_FAULT_SERVER="${CMAKE_SOURCE_DIR}/tools/fault-server")
endif()
if(TARGET transfer_test)
  target_link_libraries(transfer_test PRIVATE win32layer winhttp)
  target_compile_definitions(transfer_test PRIVATE E2E_FAULT_SERVER="${CMAKE_SOURCE_DIR}/tools/fault-server")
endif()

