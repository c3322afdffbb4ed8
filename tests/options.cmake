# Tests of options/: the registry entries and uninstall, and the options dialog.
ombrix_unit_test(options_tests unit/options_integration_test.cpp unit/options_dialog_test.cpp
                 unit/options_registry.cpp)
