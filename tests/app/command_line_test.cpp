#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnolt {
namespace {

CommandLine Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "Varnolt.exe");
  return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLine, NoArgumentsMeansNoOptionsAndNoItems) {
  const CommandLine line = Parse({});
  EXPECT_FALSE(line.ask);
  EXPECT_FALSE(line.fromPipe);
  EXPECT_FALSE(line.showInfo);
  EXPECT_EQ(line.firstItem, 1);
}

TEST(CommandLine, OptionsEndAtTheFirstArgumentWithoutADash) {
  const CommandLine line = Parse({"-a", "-X", "-A", "C:\\f", "-a", "-i"});
  EXPECT_TRUE(line.ask);
  EXPECT_FALSE(line.showInfo);  // "-i" behind an item is an item
  EXPECT_EQ(line.firstItem, 4);
}

TEST(CommandLine, EmptyArgumentEndsTheOptions) {
  const CommandLine line = Parse({"-a", "", "-i"});
  EXPECT_FALSE(line.showInfo);
  EXPECT_EQ(line.firstItem, 2);
}

TEST(CommandLine, PipeNameIsNotSkippedAndEndsTheOptions) {
  const CommandLine line = Parse({"-a", "-p", "\\\\.\\pipe\\65", "-i"});
  EXPECT_TRUE(line.ask);
  EXPECT_TRUE(line.fromPipe);
  EXPECT_EQ(line.pipeName, "\\\\.\\pipe\\65");
  EXPECT_FALSE(line.showInfo);
  EXPECT_EQ(line.firstItem, 3);
}

TEST(CommandLine, PipeAsLastArgumentGivesAnEmptyName) {
  const CommandLine line = Parse({"-a", "-p"});
  EXPECT_TRUE(line.fromPipe);
  EXPECT_EQ(line.pipeName, "");
  EXPECT_EQ(line.firstItem, 3);
}

TEST(CommandLine, LaterPipeOptionReplacesTheName) {
  const CommandLine line = Parse({"-p", "-p", "-x", "-p", "name"});
  EXPECT_EQ(line.pipeName, "name");
}

TEST(CommandLine, InfoStopsTheReadingAtOnce) {
  const CommandLine line = Parse({"-i", "-a"});
  EXPECT_TRUE(line.showInfo);
  EXPECT_FALSE(line.ask);
}

}  // namespace
}  // namespace varnolt
