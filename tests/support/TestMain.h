#pragma once

// Included right before QTEST_MAIN (or QTEST_GUILESS_MAIN, QTEST_APPLESS_MAIN), after every
// other include. The tests of a folder are built into one program, tests_<folder>: there the
// build names each test's entry point (SKYVANE_TEST_ENTRY), the macro's main becomes that
// function, and the program's own main calls it when its first argument is the test's name.
// Built on its own, the test keeps Qt Test's main.
#ifdef SKYVANE_TEST_ENTRY
#define main SKYVANE_TEST_ENTRY
#endif
