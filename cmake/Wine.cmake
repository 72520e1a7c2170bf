# Windows executables built here run under Wine, in a prefix that belongs to this build tree.
set(VARNOLT_WINE_DIR "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Where the test run keeps its Wine prefix")
set(VARNOLT_WINE_RUN "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")

# Every add_test and gtest listing of a Windows executable goes through this. The runner makes
# the prefix and its server ready itself: CTest lists an executable's tests (by running it)
# before any fixture has run. The i686 build's programs need Wine's 32-bit loader.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VARNOLT_WINE_BITS_ENV "VARNOLT_WINE_BITS=32")
  set(CMAKE_CROSSCOMPILING_EMULATOR "/usr/bin/env;VARNOLT_WINE_BITS=32;${VARNOLT_WINE_RUN};${VARNOLT_WINE_DIR}")
else()
  set(VARNOLT_WINE_BITS_ENV "VARNOLT_WINE_BITS=64")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${VARNOLT_WINE_RUN};${VARNOLT_WINE_DIR}")
endif()
# Tests that start their programs through scripts of their own (not through the emulator) carry
# VARNOLT_WINE_BITS_ENV in their ENVIRONMENT, so the scripts pick the loader of this build.

# The prefix is made (or checked) before the Windows tests, and its server stopped after them.
add_test(NAME wine_prefix_setup
  COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" ensure "${VARNOLT_WINE_DIR}")
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
add_test(NAME wine_prefix_cleanup
  COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" stop "${VARNOLT_WINE_DIR}")
set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)
