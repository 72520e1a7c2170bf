// The text of the end-of-run box, from the outcomes of a run.
#include "app/EndOfRunReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/TextEncoding.h"

namespace varnolt {
namespace {

ItemOutcome Left(const std::string& path, LeftBecause reason) { return ItemOutcome{path, reason}; }
ItemOutcome Erased(const std::string& path) { return ItemOutcome{path, LeftBecause::kNotLeft}; }
std::string U(const std::string& windows1252) { return Utf8FromWindows1252(windows1252); }

TEST(EndOfRunReport, NothingLeftMeansNoText) {
  EXPECT_EQ(EndOfRunReport({}, false), "");
  EXPECT_EQ(EndOfRunReport({Erased("C:\\a"), Erased("E:\\")}, false), "");
  // A stop that came when nothing was left to do leaves nothing to say either.
  EXPECT_EQ(EndOfRunReport({Erased("C:\\a")}, true), "");
}

TEST(EndOfRunReport, OneLinePerItemLeftWithItsReasonAfterTheFirstLine) {
  const std::string report = EndOfRunReport(
      {Erased("C:\\gone.txt"), Left("C:\\held.doc", LeftBecause::kInUse), Erased("C:\\b"),
       Left("C:\\d", LeftBecause::kFolderNotEmpty)},
      false);
  EXPECT_EQ(report, U("Certains \xE9l\xE9ments n'ont pas \xE9t\xE9 broy\xE9s :\n"
                      "C:\\held.doc : utilis\xE9 par un autre programme\n"
                      "C:\\d : r\xE9pertoire non vide"));
}

// Paths are UTF-8 already: they pass as they are, never converted a second time.
TEST(EndOfRunReport, PathsPassAsTheyAre) {
  const std::string path = "C:\\R\xC3\xA9sum\xC3\xA9\\\xE2\x82\xAC.txt";
  EXPECT_EQ(EndOfRunReport({Left(path, LeftBecause::kAccessDenied)}, false),
            U("Certains \xE9l\xE9ments n'ont pas \xE9t\xE9 broy\xE9s :\n") + path + U(" : acc\xE8s refus\xE9"));
}

TEST(EndOfRunReport, FifteenLinesAtMostThenHowManyMore) {
  std::vector<ItemOutcome> outcomes;
  for (int index = 1; index <= 18; ++index) {
    outcomes.push_back(Left("C:\\f" + std::to_string(index), LeftBecause::kHardLink));
    outcomes.push_back(Erased("C:\\e" + std::to_string(index)));
  }
  const std::string report = EndOfRunReport(outcomes, false);
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = report.find('\n', from)) != std::string::npos; from = at + 1) {
    lines.push_back(report.substr(from, at - from));
  }
  lines.push_back(report.substr(from));
  ASSERT_EQ(lines.size(), 1u + 15u + 1u);
  EXPECT_EQ(lines[1], U("C:\\f1 : d'autres noms partagent ses donn\xE9" "es"));
  EXPECT_EQ(lines[15], U("C:\\f15 : d'autres noms partagent ses donn\xE9" "es"));
  EXPECT_EQ(lines[16], U("\x85 et 3 autre(s) \xE9l\xE9ment(s)"));
  // Exactly fifteen: no count line.
  outcomes.resize(30);
  const std::string fifteen = EndOfRunReport(outcomes, false);
  EXPECT_EQ(fifteen.find(U("\x85")), std::string::npos);
  EXPECT_NE(fifteen.find("C:\\f15 :"), std::string::npos);
}

// After "Annuler": the first line says so, the next how many items the run never reached; those
// are not listed, the one stopped in the middle and any left before are.
TEST(EndOfRunReport, AStopSaysSoAndCountsWhatWasNotReached) {
  const std::string report = EndOfRunReport(
      {Left("C:\\held", LeftBecause::kInUse), Left("C:\\big.bin", LeftBecause::kStopped),
       Left("C:\\next.bin", LeftBecause::kNotReached), Left("C:\\dir", LeftBecause::kNotReached)},
      true);
  EXPECT_EQ(report, U("Le broyage a \xE9t\xE9 interrompu.\n"
                      "2 \xE9l\xE9ment(s) non atteint(s).\n"
                      "C:\\held : utilis\xE9 par un autre programme\n"
                      "C:\\big.bin : arr\xEAt\xE9 par l'utilisateur, \xE9" "cras\xE9 en partie"));
  // Stopped after the last write of the only item: nothing unreached, only that one.
  EXPECT_EQ(EndOfRunReport({Left("C:\\big.bin", LeftBecause::kStopped)}, true),
            U("Le broyage a \xE9t\xE9 interrompu.\n"
              "C:\\big.bin : arr\xEAt\xE9 par l'utilisateur, \xE9" "cras\xE9 en partie"));
}

// Every reason has its own words; free space cleaned in part says how much.
TEST(EndOfRunReport, EveryReasonHasItsOwnText) {
  const LeftBecause reasons[] = {
      LeftBecause::kHardLink, LeftBecause::kUnknownReparsePoint, LeftBecause::kFolderNotEmpty,
      LeftBecause::kNotRemoved, LeftBecause::kInUse, LeftBecause::kAccessDenied, LeftBecause::kGone,
      LeftBecause::kWriteFailed, LeftBecause::kDiskFull, LeftBecause::kStopped, LeftBecause::kNotReached,
      LeftBecause::kNameNotSupported, LeftBecause::kDriveNotSupported, LeftBecause::kFillFileNotCreated,
      LeftBecause::kFreeSpaceInPart, LeftBecause::kNamesInFolders, LeftBecause::kDataNotHere};
  std::vector<std::string> seen;
  for (const LeftBecause reason : reasons) {
    const std::string text = ReasonText(Left("E:\\", reason));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(std::find(seen.begin(), seen.end(), text), seen.end()) << text;
    seen.push_back(text);
  }
  ItemOutcome part = Left("E:\\", LeftBecause::kFreeSpaceInPart);
  part.coveredBytes = 3u << 20;
  part.measuredBytes = 10u << 20;
  EXPECT_EQ(ReasonText(part), "espace libre nettoy\xE9 en partie (3 Mo sur 10 Mo)");
  ItemOutcome names = Left("E:\\", LeftBecause::kNamesInFolders);
  names.folders = 12;
  EXPECT_EQ(ReasonText(names), "noms effac\xE9s laiss\xE9s dans 12 dossier(s) \xE0 vous : ils n'acceptaient aucun fichier");
}

}  // namespace
}  // namespace varnolt
