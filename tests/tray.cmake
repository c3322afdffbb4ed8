# Tests of tray/ and the add-shortcut wizard.
ombrix_unit_test(tray_scan_tests unit/tray_scan_test.cpp)
