# Tests of ui/: the tray window's dispatch, the popup menu, the shortcut commands.
ombrix_unit_test(ui_tests unit/ui_testing.cpp unit/ui_dispatch_test.cpp unit/ui_menu_test.cpp
                 unit/ui_rename_test.cpp unit/ui_commands_test.cpp)
ombrix_e2e_test(e2e_ui)
