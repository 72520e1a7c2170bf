// What an overwrite cannot reach is told where the user decides, and only where it applies:
// solid-state and flash storage (with their trimmed ranges and the one sweep of free space),
// shadow copies, files kept online, files stored aside. The whole program, on the fake.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/FakePlatform.h"
#include "tests/app/scripted_desktop.h"

namespace varnolt {
namespace {

using namespace testing_desktop;

// The paragraphs as the user reads them (UTF-8, written here apart from the program's texts).
const std::string kFlash =
    "Sur un SSD ou une mémoire flash (clé USB, carte), des copies peuvent rester dans des cellules qu'aucun "
    "programme n'atteint : seul un chiffrement activé avant l'écriture des données les protège.";
const std::string kOneSweep =
    " L'espace libre y reçoit un seul passage, aléatoire : d'autres useraient le disque sans rien atteindre de plus.";
const std::string kShadowOfFiles =
    "Des copies de Windows (« Versions précédentes ») peuvent garder ces fichiers tels qu'ils étaient.";
const std::string kShadowOfCleaning =
    "Des copies de Windows (« Versions précédentes ») peuvent garder des fichiers supprimés, et remplir l'espace "
    "libre peut amener Windows à supprimer des points de restauration.";
const std::string kOnline =
    "Des fichiers sont gardés en ligne : la copie en ligne, ses versions et la corbeille en ligne restent, et les "
    "supprimer ici les supprime aussi en ligne.";
const std::string kNotHere =
    " Ceux dont les données ne sont pas sur ce PC ne seront pas ouverts, ce qui les téléchargerait : ils restent.";
const std::string kAside =
    "Des fichiers sont compressés, chiffrés, dédupliqués ou sur un volume ReFS : leurs anciennes données peuvent "
    "se trouver là où l'écrasement ne passe pas.";
const std::string kQuestion = "\n\nVoulez-vous continuer?";

constexpr std::uint32_t kCloudTag = 0x9000101A;  // one of the cloud filter's variants
constexpr std::uint32_t kWofTag = 0x80000017;

class OverwriteLimitsTest : public ::testing::Test {
 protected:
  OverwriteLimitsTest() {
    os.SetTicks(1000);
    os.AddVolume('S', kDriveFixed, 64 << 20);  // an SSD
    os.SetStorageKind('S', StorageKind::kSolidState);
    os.AddVolume('F', kDriveRemovable, 8 << 20);  // a stick
    os.SetStorageKind('F', StorageKind::kFlash);
    os.AddVolume('H', kDriveFixed, 64 << 20);  // a hard disk
    os.SetStorageKind('H', StorageKind::kRotating);
    os.AddVolume('U', kDriveFixed, 64 << 20);  // a disk that tells nothing (as under Wine)
    for (const char letter : {'S', 'F', 'H', 'U'}) {
      os.MakeDirectory(std::string(1, letter) + ":\\docs");
      os.MakeFile(std::string(1, letter) + ":\\docs\\a.txt", 20000, 0x41);
    }
  }

  int Run(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "Varnolt.exe");
    desktop.messages.clear();
    return RunProgram(static_cast<int>(arguments.size()), arguments.data(), os, desktop);
  }
  // The question asked for `arguments` (answered no), as the desktop got it.
  std::string Asked(std::vector<const char*> arguments) {
    desktop.answerYes = false;
    arguments.insert(arguments.begin(), "-a");
    EXPECT_EQ(Run(arguments), kExitSuccess);
    desktop.answerYes = true;
    if (desktop.messages.size() != 1) return "<" + std::to_string(desktop.messages.size()) + " messages>";
    EXPECT_EQ(desktop.messages[0].caption, "Confirmation");
    return desktop.messages[0].utf8;
  }

  FakePlatform os;
  ScriptedDesktop desktop;
};

TEST_F(OverwriteLimitsTest, EachKindMetAddsItsParagraphBeforeTheQuestionAndNothingElseDoes) {
  const std::string oneFile = "Vous êtes sur le point de supprimer 1 fichier(s), soit 19 Ko d'informations.";
  // A hard disk, and one whose device says nothing: the question as it always was.
  EXPECT_EQ(Asked({"H:\\docs\\a.txt"}), oneFile + kQuestion);
  EXPECT_EQ(Asked({"U:\\docs\\a.txt"}), oneFile + kQuestion);
  // Solid-state and flash alike.
  EXPECT_EQ(Asked({"S:\\docs\\a.txt"}), oneFile + "\n\n" + kFlash + kQuestion);
  EXPECT_EQ(Asked({"F:\\docs\\a.txt"}), oneFile + "\n\n" + kFlash + kQuestion);
  // A stick's free space: its one sweep is said, after the drive text's second line.
  EXPECT_EQ(Asked({"F:"}), "Vous êtes sur le point de nettoyer l'espace libre de 1 disque(s), soit 7 Mo d'espace libre.\n"
                           "Cette opération est sans danger pour vos données, aucun fichier ne sera supprimé.\n\n" +
                               kFlash + kOneSweep + kQuestion);
  // Files inside a chosen folder count as the chosen ones do.
  os.MakeFile("U:\\docs\\packed.bin", 100, 0, kAttrArchive | kAttrCompressed);
  EXPECT_EQ(Asked({"U:\\docs"}), "Vous êtes sur le point de supprimer 1 répertoire(s) et 2 fichier(s),\n"
                                 "soit 19 Ko d'informations.\n\n" + kAside + kQuestion);
}

TEST_F(OverwriteLimitsTest, ShadowCopiesAreNamedOnlyOnALocalNtfsVolumeOfASystemThatKeepsThem) {
  os.SetFileSystem('H', "NTFS");
  const std::string oneFile = "Vous êtes sur le point de supprimer 1 fichier(s), soit 19 Ko d'informations.";
  EXPECT_EQ(Asked({"H:\\docs\\a.txt"}), oneFile + kQuestion);  // none on this system
  os.SetShadowCopies(Answer::kUnknown);
  EXPECT_EQ(Asked({"H:\\docs\\a.txt"}), oneFile + kQuestion);  // cannot be told: nothing said
  os.SetShadowCopies(Answer::kYes);
  EXPECT_EQ(Asked({"U:\\docs\\a.txt"}), oneFile + kQuestion);  // FAT keeps none
  EXPECT_EQ(Asked({"H:\\docs\\a.txt"}), oneFile + "\n\n" + kShadowOfFiles + kQuestion);
  const std::string asked = Asked({"H:"});
  EXPECT_EQ(asked.substr(asked.size() - kShadowOfCleaning.size() - kQuestion.size()), kShadowOfCleaning + kQuestion);
}

TEST_F(OverwriteLimitsTest, OnlineFilesAreNamedAndThoseNotHereAreLeftUnopenedWithTheirReason) {
  os.MakeDirectory("U:\\OneDrive", kAttrDirectory | kAttrReparsePoint);
  os.SetReparseTag("U:\\OneDrive", kCloudTag);
  os.MakeFile("U:\\OneDrive\\here.docx", 3000, 0x42, kAttrArchive | kAttrReparsePoint | kAttrPinned);
  os.SetReparseTag("U:\\OneDrive\\here.docx", kCloudTag);
  os.MakeFile("U:\\OneDrive\\away.docx", 3000, 0, kAttrArchive | kAttrReparsePoint | kAttrRecallOnDataAccess);
  os.SetReparseTag("U:\\OneDrive\\away.docx", kCloudTag);

  EXPECT_EQ(Asked({"U:\\OneDrive\\here.docx"}),
            "Vous êtes sur le point de supprimer 1 fichier(s), soit 2 Ko d'informations.\n\n" + kOnline + kQuestion);
  EXPECT_EQ(Asked({"U:\\OneDrive"}), "Vous êtes sur le point de supprimer 1 répertoire(s) et 2 fichier(s),\n"
                                     "soit 5 Ko d'informations.\n\n" + kOnline + kNotHere + kQuestion);

  // Answered yes: the file whose data is here is overwritten and goes; the other is never
  // opened, and stays with its folder, both named.
  EXPECT_EQ(Run({"-a", "U:\\OneDrive"}), kExitItemsLeft);
  EXPECT_FALSE(os.Exists("U:\\OneDrive\\here.docx"));
  EXPECT_EQ(os.SizeOf("U:\\OneDrive\\away.docx"), 3000u);
  for (const FakePlatform::Call& call : os.CallsOf(FakePlatform::CallKind::kOpen)) {
    EXPECT_EQ(call.path.find("away"), std::string::npos) << call.path;
  }
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[1].caption, "Erreur");
  EXPECT_EQ(desktop.messages[1].utf8,
            "Certains éléments n'ont pas été broyés :\n"
            "U:\\OneDrive\\away.docx : ses données sont en ligne, pas sur ce PC : non ouvert, pour ne pas les "
            "télécharger\n"
            "U:\\OneDrive : répertoire non vide");
}

TEST_F(OverwriteLimitsTest, CompressedEncryptedAndDeduplicatedFilesAreStoredAside) {
  os.MakeFile("U:\\docs\\secret.txt", 100, 0, kAttrArchive | kAttrEncrypted);
  os.MakeFile("U:\\docs\\system.dll", 100, 0, kAttrArchive | kAttrReparsePoint);
  os.SetReparseTag("U:\\docs\\system.dll", kWofTag);
  const std::string oneFile = "Vous êtes sur le point de supprimer 1 fichier(s), soit 100 octets d'informations.";
  EXPECT_EQ(Asked({"U:\\docs\\secret.txt"}), oneFile + "\n\n" + kAside + kQuestion);
  EXPECT_EQ(Asked({"U:\\docs\\system.dll"}), oneFile + "\n\n" + kAside + kQuestion);
  os.SetFileSystem('H', "ReFS");
  EXPECT_EQ(Asked({"H:\\docs\\a.txt"}),
            "Vous êtes sur le point de supprimer 1 fichier(s), soit 19 Ko d'informations.\n\n" + kAside + kQuestion);
}

TEST_F(OverwriteLimitsTest, EveryKindAtOnceInItsOrderStillFitsTheBox) {
  os.SetFileSystem('S', "NTFS");
  os.SetShadowCopies(Answer::kYes);
  os.MakeFile("S:\\docs\\away.docx", 10, 0, kAttrArchive | kAttrReparsePoint | kAttrOffline);
  os.SetReparseTag("S:\\docs\\away.docx", kCloudTag);
  os.MakeFile("S:\\docs\\packed.bin", 10, 0, kAttrArchive | kAttrCompressed);
  const std::string asked = Asked({"S:\\docs", "F", "S"});
  EXPECT_EQ(asked, "Vous êtes sur le point de supprimer 1 répertoire(s) et 3 fichier(s),\n"
                   "soit 71 Mo d'informations.\n\n" + kFlash + kOneSweep + "\n\n" +
                   "Des copies de Windows (« Versions précédentes ») peuvent garder ces fichiers tels qu'ils étaient, "
                   "et remplir l'espace libre peut amener Windows à supprimer des points de restauration.\n\n" +
                   kOnline + kNotHere + "\n\n" + kAside + kQuestion);
}

// On an SSD every file keeps its three sweeps, and then its ranges are asked of the drive to
// discard, streams included, before the file goes; a drive that refuses changes nothing. A
// run that erased everything ends without a word.
TEST_F(OverwriteLimitsTest, SolidStateFilesAreSweptThriceThenTrimmedAndTheRunEndsSilently) {
  os.MakeFile("S:\\docs\\b.txt", 5000, 0x42);
  os.AddStream("S:\\docs\\b.txt", ":Zone.Identifier:$DATA", std::vector<std::uint8_t>(300, 0x5A));
  EXPECT_EQ(Run({"-a", "S:\\docs"}), kExitSuccess);
  ASSERT_EQ(desktop.messages.size(), 1u);  // the question alone
  EXPECT_FALSE(os.Exists("S:\\docs"));

  std::vector<std::pair<std::uint64_t, std::uint64_t>> trimmed;
  for (const FakePlatform::Call& call : os.CallsOf(FakePlatform::CallKind::kTrim)) {
    trimmed.emplace_back(call.offset, call.size);
  }
  const std::vector<std::pair<std::uint64_t, std::uint64_t>> expected = {{0, 20000}, {0, 5000}, {0, 300}};
  EXPECT_EQ(trimmed, expected);
  // Each trim follows its file's last flush (three sweeps, each flushed).
  int flushes = 0;
  for (const FakePlatform::Call& call : os.Calls()) {
    if (call.kind == FakePlatform::CallKind::kFlush && call.path.find("A.TXT") != std::string::npos) ++flushes;
    if (call.kind == FakePlatform::CallKind::kTrim && call.offset == 0 && call.size == 20000) {
      EXPECT_EQ(flushes, 3);
    }
  }
  EXPECT_EQ(flushes, 3);

  // Under Wine (and on compressed files) the drive refuses: the run is the same.
  os.RefuseTrim('S');
  os.MakeFile("S:\\c.txt", 4000, 0x43);
  os.ClearCalls();
  EXPECT_EQ(Run({"S:\\c.txt"}), kExitSuccess);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_FALSE(os.Exists("S:\\c.txt"));
  EXPECT_EQ(os.CallsOf(FakePlatform::CallKind::kTrim).size(), 1u);
  // Elsewhere no drive is asked.
  os.ClearCalls();
  EXPECT_EQ(Run({"H:\\docs\\a.txt", "U:\\docs\\a.txt"}), kExitSuccess);
  EXPECT_TRUE(os.CallsOf(FakePlatform::CallKind::kTrim).empty());
}

// A stick's free space gets one sweep of random data, flushed, then its range is trimmed; a
// hard disk's gets the three.
TEST_F(OverwriteLimitsTest, FlashFreeSpaceIsSweptOnceAtRandomThenTrimmedWhereADiskGetsThree) {
  const auto fillFlushes = [this](char letter) {
    int flushes = 0;
    for (const FakePlatform::Call& call : os.CallsOf(FakePlatform::CallKind::kFlush)) {
      if (call.path == std::string(1, letter) + ":\\VARNOLT.TMP") ++flushes;
    }
    return flushes;
  };
  os.SetStoredContentLimit(0);
  EXPECT_EQ(Run({"F"}), kExitSuccess);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_EQ(fillFlushes('F'), 1);
  const std::vector<FakePlatform::Call> trims = os.CallsOf(FakePlatform::CallKind::kTrim);
  ASSERT_EQ(trims.size(), 1u);
  EXPECT_EQ(trims[0].path, "F:\\VARNOLT.TMP");
  EXPECT_EQ(trims[0].offset, 0u);
  EXPECT_GT(trims[0].size, 8000000u);  // the free space, less what the records' folder took
  EXPECT_EQ(os.BytesWritten(), trims[0].size);  // one sweep, of the whole of it
  EXPECT_TRUE(os.Exists("F:\\docs\\a.txt"));

  os.ClearCalls();
  EXPECT_EQ(Run({"H"}), kExitSuccess);
  EXPECT_EQ(fillFlushes('H'), 3);
  EXPECT_TRUE(os.CallsOf(FakePlatform::CallKind::kTrim).empty());
}

}  // namespace
}  // namespace varnolt
