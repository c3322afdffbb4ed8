# Tests of about/ (unit tests with ombrix_unit_test, end-to-end with ombrix_e2e_test).
