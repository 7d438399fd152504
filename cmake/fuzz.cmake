# libFuzzer targets over the core (tests/fuzz/targets.cpp, one per parser of
# outside input, each built with its own TARGET_ define). ctest runs each for
# FUZZ_SECONDS from its seed corpus through scripts/fuzz, which keeps new units
# out of the repository; scripts/fuzz alone runs them for longer.
set(FUZZ_SECONDS 20 CACHE STRING "seconds each fuzz target runs under ctest")
set(FUZZ_TARGETS list naming picture wav transfer settings)

# Coverage feedback from the core itself, not only from the targets; the
# sanitizer runtimes answer the hooks in programs without libFuzzer.
target_compile_options(core PRIVATE -fsanitize=fuzzer-no-link)

foreach(t IN LISTS FUZZ_TARGETS)
  add_executable(fuzz_${t} tests/fuzz/targets.cpp)
  target_compile_definitions(fuzz_${t} PRIVATE TARGET_${t})
  target_compile_options(fuzz_${t} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${t} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${t} PRIVATE core)
  add_test(NAME fuzz.${t} COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/fuzz ${t} ${FUZZ_SECONDS})
  set_tests_properties(fuzz.${t} PROPERTIES TIMEOUT 300 ENVIRONMENT "FUZZ_BUILD=${CMAKE_BINARY_DIR}")
endforeach()
