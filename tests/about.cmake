# Tests of about/: the About dialog, with a recording stand-in for the mail
# program and the browser.
ombrix_unit_test(about_tests unit/about_dialog_test.cpp unit/options_registry.cpp)
add_executable(about_link_recorder WIN32 unit/about_link_recorder.cpp)
add_dependencies(about_tests about_link_recorder)
ombrix_e2e_test(e2e_about)
