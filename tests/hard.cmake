# Load, faults and bad input: the soak and the corpus of bad input, as unit
# tests of the program's code and end to end with the real ombrix.exe.
ombrix_unit_test(hard_tests unit/hard_soak_test.cpp unit/hard_badinput_test.cpp)
target_link_libraries(hard_tests PRIVATE ombrix_objcounts)
# One case fills the session's Desktop for a moment.
set_tests_properties(hard_tests PROPERTIES RESOURCE_LOCK session_desktop)
ombrix_e2e_test(e2e_soak)
ombrix_e2e_test(e2e_badinput)
set_tests_properties(e2e_badinput PROPERTIES RESOURCE_LOCK session_desktop)

# The benchmark programs (run by tests/bench/benchmark.sh, not by CTest).
add_executable(bench_tray bench/bench_tray.cpp)
target_link_libraries(bench_tray PRIVATE ombrix_testsupport ombrix_res ombrix_objcounts)
