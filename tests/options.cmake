# Tests of options/: the registry entries and uninstall, and the options dialog.
ombrix_unit_test(options_tests unit/options_integration_test.cpp unit/options_dialog_test.cpp
                 unit/options_registry.cpp)
ombrix_e2e_test(e2e_options)
# Runs a shell verb on a file the way the shell's context menu does.
add_executable(options_shell_verb unit/options_shell_verb.cpp)
