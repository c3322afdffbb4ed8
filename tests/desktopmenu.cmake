# Tests of desktopmenu/ (unit tests with ombrix_unit_test, end-to-end with ombrix_e2e_test).
ombrix_unit_test(desktop_tests unit/desktop_build_test.cpp unit/desktop_draw_test.cpp unit/desktop_support.cpp)
# They put items on the session's Desktop and may point it elsewhere for a while.
set_tests_properties(desktop_tests PROPERTIES RESOURCE_LOCK session_desktop)
ombrix_e2e_test(e2e_desktop)
set_tests_properties(e2e_desktop PROPERTIES RESOURCE_LOCK session_desktop)
