# Windows executables built here run under Wine, in a prefix that belongs to this build tree.
find_program(VARNOLT_WINE wine)
set(VARNOLT_WINE_DIR "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Where the test run keeps its Wine prefix")
set(VARNOLT_WINE_RUN "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")

# Every add_test and gtest discovery of a Windows executable goes through this.
set(CMAKE_CROSSCOMPILING_EMULATOR "${VARNOLT_WINE_RUN};${VARNOLT_WINE_DIR}")

# The prefix is made (or checked) once before the Windows tests, and its server stopped after.
add_test(NAME wine_prefix_setup
  COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" setup "${VARNOLT_WINE_DIR}")
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
add_test(NAME wine_prefix_cleanup
  COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" stop "${VARNOLT_WINE_DIR}")
set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)
