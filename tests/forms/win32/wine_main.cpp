// The window tests' entry point: onto the X desktop of the test run, with the windows' fonts.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  varnolt::testing::JoinTestDesktop();
  varnolt::testing::LoadWineFonts();
  return RUN_ALL_TESTS();
}
