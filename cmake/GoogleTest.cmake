# GoogleTest is built from Debian's source package (googletest), for the host and for MinGW alike.
set(VARNOLT_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(NOT EXISTS "${VARNOLT_GTEST_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${VARNOLT_GTEST_SOURCE}: run scripts/install-deps.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${VARNOLT_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

include(GoogleTest)

# Adds a GoogleTest executable to CTest. Windows executables are listed and run under Wine
# (through CMAKE_CROSSCOMPILING_EMULATOR) after the test prefix has been made.
function(varnolt_add_gtest target)
  if(WIN32)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES FIXTURES_REQUIRED wine_prefix ${ARGN})
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${ARGN})
  endif()
endfunction()
