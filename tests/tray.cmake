# Tests of tray/ and the add-shortcut wizard.
ombrix_unit_test(tray_scan_tests unit/tray_scan_test.cpp)
ombrix_unit_test(tray_icons_tests unit/tray_icons_test.cpp)
ombrix_unit_test(tray_wizard_tests unit/tray_wizard_test.cpp)
ombrix_e2e_test(e2e_tray)
ombrix_e2e_test(e2e_tray_empty)
