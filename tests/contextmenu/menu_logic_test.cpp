// The handler's plain decisions: texts, drive roots, help-text requests and their bounded
// copies, the command check, the pipe name and the parameters.
#include "contextmenu/MenuLogic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace varnolt::menu {
namespace {

TEST(MenuLogic, TextsFollowTheDriveFlag) {
  EXPECT_STREQ(MenuText(false), "Broyer avec Varnolt");
  EXPECT_STREQ(MenuText(true), "Nettoyer avec Varnolt");
  // Windows-1252: the e with an acute accent is the one byte 0xE9.
  EXPECT_EQ(std::string(HelpText(false)), std::string("Broyer les donn") + '\xE9' + "es avec Varnolt");
  EXPECT_EQ(std::strlen(HelpText(false)), 31u);
  EXPECT_STREQ(HelpText(true), "Nettoyer l'espace libre de ce disque avec Varnolt");
}

TEST(MenuLogic, ThreeCharacterNamesAreDriveRoots) {
  struct Case {
    const char* name;
    bool drive;
    const char* after;
  };
  const Case cases[] = {
      {"C:\\", true, "C"},         {"E:\\", true, "E"},          {"abc", true, "a"},  // any three characters
      {"C:", false, "C:"},         {"C:\\a", false, "C:\\a"},     {"", false, ""},
      {"C:\\dir\\file.txt", false, "C:\\dir\\file.txt"},
      {"\xE6\x97\xA5", false, "\xE6\x97\xA5"},  // one character of UTF-8 in three bytes
  };
  for (const Case& c : cases) {
    char name[64];
    std::strcpy(name, c.name);
    EXPECT_EQ(ReduceDriveRoot(name), c.drive) << c.name;
    EXPECT_STREQ(name, c.after);
  }
}

// What both menus hand on: names that reach the program whole, drive roots cut to their letter.
// A refused name adds nothing (the caller then refuses the whole selection).
TEST(MenuLogic, SelectionsTakeWholeNamesAndNoteDrives) {
  Selection selection;
  EXPECT_TRUE(AddSelectedItem(selection, "C:\\dir\\\xC5\x81\xC3\xB3" "d\xC5\xBA.txt"));
  EXPECT_FALSE(selection.hasDrive);
  EXPECT_TRUE(AddSelectedItem(selection, "E:\\"));
  EXPECT_TRUE(selection.hasDrive);
  const std::string longest(0xFFFE, 'x');  // a record's 65,535 bytes, its zero included
  EXPECT_TRUE(AddSelectedItem(selection, longest));
  EXPECT_FALSE(AddSelectedItem(selection, longest + "x"));
  EXPECT_FALSE(AddSelectedItem(selection, ""));
  EXPECT_FALSE(AddSelectedItem(selection, std::string("C:\\a\0b", 6)));
  EXPECT_EQ(selection.items,
            (std::vector<std::string>{"C:\\dir\\\xC5\x81\xC3\xB3" "d\xC5\xBA.txt", "E", longest}));
}

TEST(MenuLogic, DriveLettersOfItems) {
  EXPECT_EQ(DriveLetterOf("C"), 'C');  // a root, cut to its letter
  EXPECT_EQ(DriveLetterOf("e:\\dir\\file.txt"), 'e');
  EXPECT_EQ(DriveLetterOf("D:\\"), 'D');
  EXPECT_EQ(DriveLetterOf("\\\\server\\share\\file.txt"), std::nullopt);
  EXPECT_EQ(DriveLetterOf("\\\\?\\C:\\file.txt"), std::nullopt);
  EXPECT_EQ(DriveLetterOf("C:file.txt"), std::nullopt);  // relative to a drive's current folder
  EXPECT_EQ(DriveLetterOf("1:\\x"), std::nullopt);
  EXPECT_EQ(DriveLetterOf("\xC3\xA9:\\x"), std::nullopt);
  EXPECT_EQ(DriveLetterOf(""), std::nullopt);
}

TEST(MenuLogic, OnlyHelpTextRequestsForOffsetZeroAreAnswered) {
  // GCS_VERBA 0, GCS_HELPTEXTA 1, GCS_VALIDATEA 2, GCS_VERBW 4, GCS_HELPTEXTW 5, GCS_VALIDATEW 6.
  EXPECT_EQ(ClassifyCommandStringRequest(0, 0), CommandStringRequest::kRefused);
  EXPECT_EQ(ClassifyCommandStringRequest(0, 1), CommandStringRequest::kAnsiHelp);
  EXPECT_EQ(ClassifyCommandStringRequest(0, 2), CommandStringRequest::kRefused);
  EXPECT_EQ(ClassifyCommandStringRequest(0, 4), CommandStringRequest::kRefused);
  EXPECT_EQ(ClassifyCommandStringRequest(0, 5), CommandStringRequest::kUnicodeHelp);
  EXPECT_EQ(ClassifyCommandStringRequest(0, 6), CommandStringRequest::kRefused);
  EXPECT_EQ(ClassifyCommandStringRequest(1, 1), CommandStringRequest::kRefused);
  EXPECT_EQ(ClassifyCommandStringRequest(1, 5), CommandStringRequest::kRefused);
}

TEST(MenuLogic, BoundedCopiesKeepTheBeginningAndAZero) {
  const char* text = HelpText(false);
  char ansi[40];
  std::memset(ansi, '#', sizeof ansi);
  CopyBounded(text, ansi, 10);
  EXPECT_STREQ(ansi, "Broyer le");
  EXPECT_EQ(ansi[10], '#') << "nothing written past the size";

  CopyBounded(text, ansi, sizeof ansi);
  EXPECT_STREQ(ansi, text);
  CopyBounded(text, ansi, 32);  // exactly the text and its zero
  EXPECT_STREQ(ansi, text);
  CopyBounded(text, ansi, 1);
  EXPECT_STREQ(ansi, "");

  ansi[0] = '#';
  CopyBounded(text, ansi, 0);
  EXPECT_EQ(ansi[0], '#');

  const std::u16string wide = u"Broyer les donn\u00E9es avec Varnolt";
  char16_t buffer[40];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  CopyBounded(wide.c_str(), buffer, 10);
  EXPECT_EQ(std::u16string(buffer), u"Broyer le") << "10 characters give 9 and a zero";
  EXPECT_EQ(buffer[10], u'#');
  CopyBounded(wide.c_str(), buffer, 40);
  EXPECT_EQ(std::u16string(buffer), wide);
}

TEST(MenuLogic, OnlyCommandOffsetZeroIsOurs) {
  EXPECT_TRUE(IsOurCommand(0));
  EXPECT_FALSE(IsOurCommand(1));
  EXPECT_FALSE(IsOurCommand(0xFFFF));
  // A verb string: a pointer, whose upper bits are set, even when its low 16 bits are zero.
  EXPECT_FALSE(IsOurCommand(0x10000));
  static const char verb[] = "open";
  EXPECT_FALSE(IsOurCommand(reinterpret_cast<std::uintptr_t>(verb)));
}

TEST(MenuLogic, PipeNameAndParameters) {
  EXPECT_EQ(PipeName(65), "\\\\.\\pipe\\65");
  EXPECT_EQ(PipeName(0), "\\\\.\\pipe\\0");
  EXPECT_EQ(PipeName(4294967295u), "\\\\.\\pipe\\4294967295");
  const std::string parameters = LaunchParameters(PipeName(65));
  EXPECT_EQ(parameters, " -a -u -p \\\\.\\pipe\\65");
  EXPECT_EQ(parameters.size(), 21u);
}

}  // namespace
}  // namespace varnolt::menu
