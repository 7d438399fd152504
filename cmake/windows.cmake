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

# GoogleTest built from Debian's sources for the Windows-side tests.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The end-to-end tests: one program that finds the product beside itself.
# tools/audio-check and tools/fault-server are Unix programs it starts through Wine.
set(E2E_DEFINITIONS UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
  E2E_AUDIO_CHECK="${CMAKE_SOURCE_DIR}/tools/audio-check" E2E_FAULT_SERVER="${CMAKE_SOURCE_DIR}/tools/fault-server"
  E2E_CERTS="${CMAKE_SOURCE_DIR}/tests/e2e/certs")
file(GLOB E2E_TESTS CONFIGURE_DEPENDS tests/e2e/*_test.cpp)
if(E2E_TESTS)
add_executable(e2e_tests ${E2E_TESTS})
target_include_directories(e2e_tests PRIVATE tests/e2e)
target_compile_definitions(e2e_tests PRIVATE ${E2E_DEFINITIONS})
target_link_libraries(e2e_tests PRIVATE gtest gtest_main core ${APP_LIBS} ole32 psapi wininet crypt32 ${STATIC_RUNTIME})
add_dependencies(e2e_tests qingchuang)

# One ctest test per story, named after the architecture so that one ctest
# run can hold both builds. ctest runs each through the toolchain's emulator,
# tools/wine-run, which gives it a Wine environment of its own: the stories
# run side by side (ctest -j). The list comes from the sources, not from
# running the program under Wine.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${E2E_TESTS})
set(E2E_PREFIX ${CMAKE_SYSTEM_PROCESSOR})
foreach(src ${E2E_TESTS})
  file(STRINGS ${src} cases REGEX "^TEST_F\\([A-Za-z]+, [A-Za-z]+\\)")
  foreach(case ${cases})
    string(REGEX REPLACE "^TEST_F\\(([A-Za-z]+), ([A-Za-z]+)\\).*" "\\1.\\2" filter "${case}")
    string(REGEX REPLACE ".*\\." "" name "${filter}")
    add_test(NAME ${E2E_PREFIX}.${name} COMMAND e2e_tests --gtest_filter=${filter})
  endforeach()
endforeach()
# The Win32 layer run long, in a program of its own run the same way.
add_executable(long_run tests/long/long_run.cpp)
target_include_directories(long_run PRIVATE tests/e2e)
target_compile_definitions(long_run PRIVATE ${E2E_DEFINITIONS})
target_link_libraries(long_run PRIVATE gtest gtest_main win32layer ${APP_LIBS} ole32 psapi wininet ${STATIC_RUNTIME})
add_test(NAME ${E2E_PREFIX}.FlatResourcesOver500ChangesAnd200Transfers COMMAND long_run)
# The panel at 200 %.
add_test(NAME ${E2E_PREFIX}.PanelAt200Percent COMMAND e2e_tests --gtest_filter=*SizeKeysFocusColoursHourCheckCancelAndOk)
set_tests_properties(${E2E_PREFIX}.PanelAt200Percent PROPERTIES ENVIRONMENT WINE_ENV_DPI=192)
# The timed shutdown ends the Wine session: checked from outside it.
add_test(NAME ${E2E_PREFIX}.TimedShutdown
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/shutdown_check.sh $<TARGET_FILE:qingchuang>)
# The installer and the zip of this build, as a user installs them (makensis and help.chm needed).
find_program(MAKENSIS makensis)
find_program(CHMCMD chmcmd)
if(MAKENSIS AND CHMCMD)
  add_test(NAME ${E2E_PREFIX}.InstallUpgradeUninstallAndThePortableZip
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/install_check.sh ${CMAKE_SYSTEM_PROCESSOR} ${CMAKE_BINARY_DIR})
endif()
get_property(E2E_ALL DIRECTORY PROPERTY TESTS)
set_tests_properties(${E2E_ALL} PROPERTIES TIMEOUT 300)
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

# The gap between the pieces of an announcement against the platform's gap
# between two sounds (bench/speech_gap.sh runs it).
if(TARGET e2e_tests)
  add_executable(speech_gap_bench bench/speech_gap_bench.cpp)
  target_include_directories(speech_gap_bench PRIVATE tests/e2e)
  target_compile_definitions(speech_gap_bench PRIVATE ${E2E_DEFINITIONS}
    E2E_GAPS="${CMAKE_SOURCE_DIR}/bench/speech_gaps")
  target_link_libraries(speech_gap_bench PRIVATE core winmm ${STATIC_RUNTIME})
  target_link_options(speech_gap_bench PRIVATE -municode)
  add_dependencies(speech_gap_bench qingchuang)
endif()
