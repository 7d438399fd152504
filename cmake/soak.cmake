# The soak: thirty simulated days of the whole window logic on the unit
# tests' fakes, under the core's sanitizers.
find_package(GTest REQUIRED)
add_executable(soak_test tests/soak/soak_test.cpp)
target_include_directories(soak_test PRIVATE tests/unit)
target_link_libraries(soak_test PRIVATE core GTest::gtest GTest::gtest_main)
add_test(NAME soak COMMAND soak_test)
# Undefined behaviour fails the run rather than only printing.
set_tests_properties(soak PROPERTIES ENVIRONMENT "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
