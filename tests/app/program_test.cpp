// The top-level flow, against the in-memory platform and a scripted desktop.
#include "app/Program.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "platform/FakePlatform.h"
#include "tests/app/scripted_desktop.h"

namespace varnolt {
namespace {

using namespace testing_desktop;

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    progressCalls = 0;
    os.SetTicks(1000);
    os.SetTickStep(30);
    os.MakeDirectory("C:\\work");
    os.MakeFile("C:\\work\\one.txt", 100);
    os.MakeDirectory("C:\\work\\tree");
    os.MakeFile("C:\\work\\tree\\a", 1000);
    os.MakeFile("C:\\work\\tree\\b", 1000);
    os.MakeDirectory("C:\\work\\tree\\empty");
    os.AddVolume('E', kDriveRemovable, 4 << 20);
    os.AddVolume('N', kDriveRemote, 4 << 20);
    os.AddVolume('R', kDriveCdRom, 4 << 20);
  }

  int Run(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "Varnolt.exe");
    return RunProgram(static_cast<int>(arguments.size()), arguments.data(), os, desktop);
  }

  FakePlatform os;
  ScriptedDesktop desktop;
};

TEST_F(ProgramTest, NoArgumentsDoesNothing) {
  EXPECT_EQ(Run({}), 0);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_TRUE(desktop.windows.empty());
}

TEST_F(ProgramTest, InformationIsShownAndNothingElseLookedAt) {
  EXPECT_EQ(Run({"-a", "-i", "C:\\work\\one.txt"}), 0);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].caption, "Information");
  EXPECT_EQ(desktop.messages[0].text, texts::kInformation);
  EXPECT_EQ(desktop.messages[0].text.substr(0, 56),
            "Varnolt est correctement install\xE9 sur votre ordinateur.\n");
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
}

TEST_F(ProgramTest, BadItemsAreRefusedWithTheirNumberBeforeAnythingIsErased) {
  struct Case {
    std::vector<const char*> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"Q"}, "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {{"."}, "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {{"-a", "C:\\work\\one.txt", "N"}, "L'argument n\xB0" "2 n'est pas un lecteur valide."},
      {{"C:\\work\\one.txt", "R"}, "L'argument n\xB0" "2 n'est pas un lecteur valide."},
      {{"C:\\work\\tree", "C:\\work\\missing"}, "L'argument n\xB0" "2 n'est pas un chemin valide."},
      {{"C:\\work\\one.txt", "-a"}, "L'argument n\xB0" "2 n'est pas un chemin valide."},
      // Names the path functions would read as "one.txt" or "tree": refused, never their sibling.
      {{"C:\\work\\one.txt.", "C:\\work\\tree"}, "L'argument n\xB0" "1 n'est pas un chemin valide."},
      {{"C:\\work\\tree\\a", "C:\\work\\tree "}, "L'argument n\xB0" "2 n'est pas un chemin valide."},
      {{"C:\\work\\tree.\\a"}, "L'argument n\xB0" "1 n'est pas un chemin valide."},
      // Drive roots are drives, checked as drives.
      {{"N:"}, "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {{"C:\\work\\one.txt", "R:\\"}, "L'argument n\xB0" "2 n'est pas un lecteur valide."},
      {{"q:/"}, "L'argument n\xB0" "1 n'est pas un lecteur valide."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    desktop.messages.clear();
    EXPECT_EQ(Run(c.arguments), -1);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].caption, "Erreur");
    EXPECT_EQ(desktop.messages[0].text, c.message);
    EXPECT_EQ(desktop.messages[0].kind, MessageKind::kError);
    EXPECT_TRUE(desktop.windows.empty());
    EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
    EXPECT_EQ(os.List("C:\\work\\tree").size(), 3u);
  }
}

TEST_F(ProgramTest, ConfirmationNoErasesNothing) {
  desktop.answerYes = false;
  EXPECT_EQ(Run({"-a", "C:\\work\\tree"}), 0);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].caption, "Confirmation");
  EXPECT_EQ(desktop.messages[0].kind, MessageKind::kQuestion);
  EXPECT_EQ(desktop.messages[0].text,
            "Vous \xEAtes sur le point de supprimer 2 r\xE9pertoire(s) et 2 fichier(s),\n"
            "soit 1 Ko d'informations.\n\nVoulez-vous continuer?");
  EXPECT_TRUE(desktop.windows.empty());
  EXPECT_EQ(os.List("C:\\work\\tree").size(), 3u);
}

TEST_F(ProgramTest, ConfirmationYesErasesWithTheWindowThatFits) {
  EXPECT_EQ(Run({"-a", "C:\\work\\tree"}), 0);
  EXPECT_EQ(desktop.title, "Varnolt");
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kMultiFile});
  EXPECT_GT(progressCalls, 0);
  EXPECT_FALSE(os.Exists("C:\\work\\tree"));
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
}

// "E:" and "E:\" are the drive E, as a drive root selected in Explorer: its free space is to be
// cleaned and none of its files deleted. So are its device spellings, which scripts use.
TEST_F(ProgramTest, DriveRootsAskToCleanTheDrive) {
  os.MakeFile("E:\\photo.jpg", 1000);
  desktop.answerYes = false;
  for (const char* root : {"E:", "E:\\", "e:/", "\\\\?\\E:\\", "\\\\.\\E:\\", "//?/e:/", "\\\\?\\E:", "\\\\.\\e:"}) {
    SCOPED_TRACE(root);
    desktop.messages.clear();
    EXPECT_EQ(Run({"-a", root}), 0);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].caption, "Confirmation");
    EXPECT_EQ(desktop.messages[0].text.find("Vous \xEAtes sur le point de nettoyer l'espace libre de 1 disque(s)"), 0u)
        << desktop.messages[0].text;
  }
  desktop.answerYes = true;
  EXPECT_EQ(Run({"E:\\"}), 0);
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kOneFreeSpace});
  EXPECT_TRUE(os.Exists("E:\\photo.jpg"));
}

// A volume's root by any other name than its letter is no folder to empty, nor a drive to
// clean: on the command line it gets the drive message before anything is erased, from the
// pipe it is named at the end. The fake opens every one of these as E:'s root, as Windows does.
TEST_F(ProgramTest, AVolumeRootByAnotherNameIsRefusedAndNothingOfItGoes) {
  os.MakeDirectory("E:\\photos");
  os.MakeFile("E:\\photos\\photo.jpg", 1000);
  const std::string guid = FakePlatform::VolumeGuidPath('E');
  const std::vector<std::string> spellings = {
      "\\??\\E:\\", guid, guid.substr(0, guid.size() - 1), "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume5\\",
      "\\\\localhost\\E$\\", "\\\\127.0.0.1\\e$", "\\\\?\\UNC\\localhost\\E$\\", "\\\\localhost\\E$\\photos\\..",
      // Windows takes "\\?\" paths as they stand, where Wine would fold this into E:'s root.
      "\\\\?\\E:\\photos\\..", "\\\\.\\E:\\photos\\..\\"};
  ASSERT_EQ(os.OpensAVolumeRoot(guid.c_str()), Answer::kYes);
  ASSERT_TRUE(os.Exists("\\\\localhost\\E$\\photos\\photo.jpg"));
  for (const std::string& spelling : spellings) {
    SCOPED_TRACE(spelling);
    desktop.messages.clear();
    EXPECT_EQ(Run({"-a", "C:\\work\\one.txt", spelling.c_str()}), -1);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "L'argument n\xB0" "2 n'est pas un lecteur valide.");
  }
  std::vector<std::string> records = spellings;
  records.push_back("C:\\work\\one.txt");
  desktop.messages.clear();
  desktop.pipes["\\\\.\\pipe\\66"] = EncodeItemStream(records);
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\66"}), kExitItemsLeft);
  ASSERT_EQ(desktop.messages.size(), 1u);
  for (const std::string& spelling : spellings) {
    EXPECT_NE((desktop.messages[0].text + "\n").find("\n" + spelling + " : lecteur non pris en charge\n"), std::string::npos)
        << desktop.messages[0].text;
  }
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_EQ(os.SizeOf("E:\\photos\\photo.jpg"), 1000u);
}

TEST_F(ProgramTest, WindowChoiceFollowsTheFileAndDriveCounts) {
  EXPECT_EQ(Run({"C:\\work\\one.txt", "E"}), 0);  // files with drives: a file window
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kOneFile});
  EXPECT_TRUE(desktop.messages.empty());  // without "-a" nothing is asked

  desktop.windows.clear();
  EXPECT_EQ(Run({"E", "E"}), 0);
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kOneFreeSpace});

  desktop.windows.clear();
  progressCalls = 0;
  EXPECT_EQ(Run({"C:\\work\\tree\\empty"}), 0);  // only empty directories: no window at all
  EXPECT_TRUE(desktop.windows.empty());
  EXPECT_EQ(progressCalls, 0);
  EXPECT_FALSE(os.Exists("C:\\work\\tree\\empty"));
}

// Explorer can hand over what the program does not take (a network or CD drive, a name gone
// meanwhile): the others are erased, and those are named at the end, with status 1.
TEST_F(ProgramTest, PipeItemsAreTakenAndBadOnesReportedAtTheEnd) {
  desktop.pipes["\\\\.\\pipe\\65"] = EncodeItemStream({"C:\\work\\one.txt", "N", "C:\\work\\gone", "R"});
  EXPECT_EQ(Run({"-a", "-p", "\\\\.\\pipe\\65", "C:\\work\\tree"}), kExitItemsLeft);
  ASSERT_EQ(desktop.messages.size(), 2u);  // the confirmation, then the end of the run
  EXPECT_NE(desktop.messages[0].text.find("supprimer 1 fichier(s), soit 100 octets"), std::string::npos);
  EXPECT_EQ(desktop.messages[1].caption, "Erreur");
  EXPECT_EQ(desktop.messages[1].kind, MessageKind::kError);
  EXPECT_EQ(desktop.messages[1].text,
            "Certains \xE9l\xE9ments n'ont pas \xE9t\xE9 broy\xE9s :\n"
            "N:\\ : lecteur non pris en charge\n"
            "C:\\work\\gone : introuvable\n"
            "R:\\ : lecteur non pris en charge");
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_TRUE(os.Exists("C:\\work\\tree\\a"));  // command-line items are ignored in pipe mode
}

TEST_F(ProgramTest, PipeThatCannotBeOpenedEndsWithFailureAndNoMessage) {
  EXPECT_EQ(Run({"-a", "-p", "\\\\.\\pipe\\404"}), -1);
  EXPECT_EQ(desktop.openedPipes, std::vector<std::string>{"\\\\.\\pipe\\404"});
  EXPECT_TRUE(desktop.messages.empty());
}

// Only a pipe of this machine's namespace is opened: no plain file, no remote pipe, no name
// that the path rules turn into something else. Nothing is read and nothing is erased.
TEST_F(ProgramTest, OnlyALocalPipeNameIsOpened) {
  const std::vector<std::uint8_t> stream = EncodeItemStream({"C:\\work\\one.txt"});
  const std::vector<const char*> names = {
      "",  "C:\\work\\one.txt", "\\\\.\\pipe\\", "\\\\.\\pipe", "\\\\server\\pipe\\65",
      "\\\\?\\pipe\\65", "\\\\.\\PIPE-x\\65", "\\\\.\\pipe\\..\\C:\\work\\one.txt",
      "\\\\.\\pipe\\a\\.", "\\\\.\\pipe\\a/b", "//./pipe/65"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    desktop.pipes[name] = stream;
    EXPECT_EQ(Run({"-p", name}), -1);
  }
  EXPECT_EQ(Run({"-p"}), -1);  // no name at all
  EXPECT_TRUE(desktop.openedPipes.empty());
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));

  desktop.pipes["\\\\.\\pipe\\x"] = stream;  // one character after the prefix is enough
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\x"}), 0);
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
}

// The writer is Explorer's thread: it is let go once the list has crossed, before the first
// folder is looked into, however large.
TEST_F(ProgramTest, PipeIsReadWholeAndClosedBeforeAnythingIsCollected) {
  desktop.pipes["\\\\.\\pipe\\7"] = EncodeItemStream({"C:\\work\\tree", "C:\\work\\one.txt"});
  std::size_t listingsAtClose = 99, callsAtClose = 99;
  desktop.onPipeClosed = [&] {
    listingsAtClose = os.CallsOf(FakePlatform::CallKind::kFindFirst).size();
    callsAtClose = os.Calls().size();
  };
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\7"}), 0);
  EXPECT_EQ(listingsAtClose, 0u);
  EXPECT_EQ(callsAtClose, 0u);
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_FALSE(os.Exists("C:\\work\\tree"));
}

// From the pipe, a name that resolving changes is not collected, and its sibling stays.
TEST_F(ProgramTest, PipeNamesThatResolvingChangesAreNotCollected) {
  os.MakeDirectory("C:\\work\\Rapport");
  os.MakeFile("C:\\work\\Rapport\\r.doc", 10);
  desktop.pipes["\\\\.\\pipe\\8"] =
      EncodeItemStream({"C:\\work\\Rapport ", "C:\\work\\one.txt.", "C:\\work\\tree\\a"});
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\8"}), kExitItemsLeft);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text,
            "Certains \xE9l\xE9ments n'ont pas \xE9t\xE9 broy\xE9s :\n"
            "C:\\work\\Rapport  : nom ou chemin non pris en charge\n"
            "C:\\work\\one.txt. : nom ou chemin non pris en charge");
  EXPECT_TRUE(os.Exists("C:\\work\\Rapport\\r.doc"));
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
  EXPECT_FALSE(os.Exists("C:\\work\\tree\\a"));
}

TEST_F(ProgramTest, TruncatedPipeRecordNeverErasesTheCutPath) {
  std::vector<std::uint8_t> stream = EncodeItemStream({"C:\\work\\one.txt", "C:\\work\\tree\\a"});
  stream.resize(stream.size() - 2 - 3);  // the second record stops after "C:\work\tree"
  desktop.pipes["\\\\.\\pipe\\1"] = stream;
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\1"}), 0);
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_EQ(os.List("C:\\work\\tree").size(), 3u);
}

// The end of a run: one box only where anything was left, the status that says so, and the
// texts handed to the desktop as UTF-8.
TEST_F(ProgramTest, ARunTellsWhatWasLeftAndWhyOnlyWhenAnythingWas) {
  EXPECT_EQ(Run({"C:\\work\\one.txt"}), kExitSuccess);  // all erased: no word
  EXPECT_TRUE(desktop.messages.empty());

  os.MakeFile("C:\\work\\held.doc", 100);
  os.MakeFile("C:\\work\\free.doc", 100);
  os.HoldOpen("C:\\work\\held.doc");
  EXPECT_EQ(Run({"C:\\work\\held.doc", "C:\\work\\free.doc"}), kExitItemsLeft);
  EXPECT_FALSE(os.Exists("C:\\work\\free.doc"));
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].caption, "Erreur");
  EXPECT_EQ(desktop.messages[0].kind, MessageKind::kError);
  EXPECT_EQ(desktop.messages[0].utf8,
            "Certains \xC3\xA9l\xC3\xA9ments n'ont pas \xC3\xA9t\xC3\xA9 broy\xC3\xA9s :\n"
            "C:\\work\\held.doc : utilis\xC3\xA9 par un autre programme");
}

// Every message the program shows reaches the desktop as UTF-8 of its Windows-1252 text.
TEST_F(ProgramTest, MessagesReachTheDesktopAsUtf8) {
  Run({"-i"});
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].utf8.substr(0, 34), "Varnolt est correctement install\xC3\xA9");
  desktop.messages.clear();
  Run({"Q"});
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].utf8, "L'argument n\xC2\xB0" "1 n'est pas un lecteur valide.");
}

std::int32_t stopAfterReports = 0;
std::uint8_t StoppingCallback(float, std::int32_t, std::int32_t, float) { return --stopAfterReports > 0; }

class StoppingDesktop : public ScriptedDesktop {
 public:
  ProgressCallback OpenProgressWindow(ProgressWindowKind) override { return StoppingCallback; }
};

// "Annuler" in the middle of the first of three files: the box says the run was stopped, how
// many items it never reached, and names the file left partly overwritten.
TEST_F(ProgramTest, AStoppedRunSaysSoAndHowManyItemsWereNotReached) {
  os.MakeDirectory("C:\\big");
  os.MakeFile("C:\\big\\1.bin", 1 << 20);
  os.MakeFile("C:\\big\\2.bin", 1 << 20);
  os.MakeFile("C:\\big\\3.bin", 1 << 20);
  os.SetTickStep(100);  // every write reports
  StoppingDesktop stopping;
  stopAfterReports = 5;
  const char* arguments[] = {"Varnolt.exe", "C:\\big"};
  EXPECT_EQ(RunProgram(2, arguments, os, stopping), kExitItemsLeft);
  ASSERT_EQ(stopping.messages.size(), 1u);
  EXPECT_EQ(stopping.messages[0].caption, "Erreur");
  // 2.bin, 3.bin and the folder were never reached.
  EXPECT_EQ(stopping.messages[0].text,
            "Le broyage a \xE9t\xE9 interrompu.\n"
            "3 \xE9l\xE9ment(s) non atteint(s).\n"
            "C:\\big\\1.bin : arr\xEAt\xE9 par l'utilisateur, \xE9" "cras\xE9 en partie");
  EXPECT_EQ(os.List("C:\\big"), (std::vector<std::string>{"1.bin", "2.bin", "3.bin"}));
}

TEST_F(ProgramTest, PipeRecordsAreUtf8WithTheOptionAndAnsiWithoutIt) {
  // "café.txt" on disk (UTF-8 inside). The new extension sends it in UTF-8 and says so ("-u");
  // one of before sends its ANSI bytes ("\xE9"), which are converted.
  const std::string cafe = "C:\\work\\caf\xC3\xA9.txt";
  os.MakeFile(cafe, 7);
  os.MakeFile("C:\\work\\caf\xC3\x83\xC2\xA9.txt", 9);  // "cafÃ©.txt": UTF-8 read as ANSI
  desktop.pipes["\\\\.\\pipe\\8"] = EncodeItemStream({cafe});
  EXPECT_EQ(Run({"-u", "-p", "\\\\.\\pipe\\8"}), 0);
  EXPECT_FALSE(os.Exists(cafe));
  EXPECT_TRUE(os.Exists("C:\\work\\caf\xC3\x83\xC2\xA9.txt"));
  EXPECT_TRUE(desktop.ansiRecords.empty());

  os.MakeFile(cafe, 7);
  desktop.pipes["\\\\.\\pipe\\9"] = EncodeItemStream({"C:\\work\\caf\xE9.txt", "C:\\work\\one.txt"});
  EXPECT_EQ(Run({"-a", "-p", "\\\\.\\pipe\\9"}), 0);
  EXPECT_EQ(desktop.ansiRecords, (std::vector<std::string>{"C:\\work\\caf\xE9.txt", "C:\\work\\one.txt"}));
  EXPECT_FALSE(os.Exists(cafe));
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_TRUE(os.Exists("C:\\work\\caf\xC3\x83\xC2\xA9.txt"));
}

TEST_F(ProgramTest, PipeRecordThatIsNoTextOfItsEncodingEndsTheList) {
  os.MakeFile("C:\\work\\caf\xC3\xA9.txt", 7);
  // In UTF-8 mode an ANSI "\xE9" is no UTF-8: the list ends there, nothing after it is taken.
  desktop.pipes["\\\\.\\pipe\\10"] =
      EncodeItemStream({"C:\\work\\tree\\a", "C:\\work\\caf\xE9.txt", "C:\\work\\one.txt"});
  EXPECT_EQ(Run({"-u", "-p", "\\\\.\\pipe\\10"}), 0);
  EXPECT_FALSE(os.Exists("C:\\work\\tree\\a"));
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
  EXPECT_TRUE(os.Exists("C:\\work\\caf\xC3\xA9.txt"));
  // Without it, a byte the code page does not define ends the list the same way.
  desktop.pipes["\\\\.\\pipe\\11"] = EncodeItemStream({"C:\\work\\tree\\b", "C:\\work\\\x81", "C:\\work\\one.txt"});
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\11"}), 0);
  EXPECT_FALSE(os.Exists("C:\\work\\tree\\b"));
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
}

TEST_F(ProgramTest, CommandLineNamesOutsideAnyCodePageAndPastTheOldLimitAreErased) {
  const std::string folder = "C:\\work\\\xC5\x81\xC3\xB3" "d\xC5\xBA";  // Łódź
  os.MakeDirectory(folder);
  os.MakeFile(folder + "\\\xE6\x97\xA5\xE6\x9C\xAC.txt", 3);
  std::string deep = folder;
  while (deep.size() < 300) {
    deep += "\\" + std::string(40, 'n');
    os.MakeDirectory(deep);
  }
  os.MakeFile(deep + "\\vacances \xF0\x9F\x98\x80.jpg", 5);
  EXPECT_EQ(Run({folder.c_str(), "C:\\work\\one.txt"}), 0);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_FALSE(os.Exists(folder));
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_TRUE(os.Exists("C:\\work\\tree\\a"));
}

}  // namespace
}  // namespace varnolt
