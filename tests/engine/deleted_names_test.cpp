// The cleaning of a drive covers the names its standing directories keep of deleted entries:
// every directory it may write gets files of ours until it takes no more, which then go, its
// times put back; what it must not enter it leaves alone, and what refuses it is counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/FreeSpaceShredder.h"
#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;
using testing::RecordingCallback;
using testing::ScopedRecorder;

constexpr std::uint64_t kMiB = 1 << 20;
constexpr float kFillShare = static_cast<float>(1 - FreeSpaceShredder::kNamesShare);

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

class DeletedNamesTest : public ::testing::Test {
 protected:
  DeletedNamesTest() : manager(os) {
    os.AddVolume('E', kDriveRemovable, kMiB);
    os.SetTicks(1000);
    os.SetTickStep(30);
    manager.SetCallback(RecordingCallback);
    // Folders to cover, with files; a link and a folder an online service keeps, which are
    // not entered; two folders that take no new file, one of them another account's.
    for (const char* folder : {"E:\\garde", "E:\\garde\\sous", "E:\\nuage", "E:\\verrou", "E:\\autrui"}) {
      os.MakeDirectory(folder);
    }
    os.SetAttributesOf("E:\\nuage", kAttrDirectory | kAttrRecallOnDataAccess);
    for (int i = 0; i < 5; ++i) os.MakeFile("E:\\garde\\photo-" + std::to_string(i) + ".jpg", 3000, 0x11);
    os.MakeFile("E:\\garde\\sous\\note.txt", 100, 0x22);
    os.MakeFile("E:\\nuage\\en-ligne.docx", 100, 0x33);
    os.MakeDirectoryLink("E:\\lien", "E:\\garde");
    os.RefuseNewFiles("E:\\verrou");
    os.RefuseNewFiles("E:\\autrui");
    os.SetOwnedByOthers("E:\\autrui");
  }
  // Each folder's listing and times (the root's times are not kept: a FAT root has none).
  std::map<std::string, std::pair<std::vector<std::string>, ItemTimes>> Folders() const {
    std::map<std::string, std::pair<std::vector<std::string>, ItemTimes>> folders;
    folders["E:\\"] = {os.List("E:\\"), ItemTimes{}};
    for (const char* folder : {"E:\\garde", "E:\\garde\\sous", "E:\\nuage", "E:\\verrou", "E:\\autrui"}) {
      folders[folder] = {os.List(folder), os.TimesOf(folder)};
    }
    return folders;
  }
  // Cover files asked for, by folder.
  std::map<std::string, int> CreationsByFolder() const {
    std::map<std::string, int> count;
    for (const auto& call : os.CallsOf(CallKind::kCreateNew)) ++count[ParentOf(call.path)];
    return count;
  }

  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(DeletedNamesTest, EveryFolderItMayWriteIsFilledThenLeftAsItWas) {
  const auto before = Folders();
  manager.AddItem("E", true);
  manager.Run();

  // Nothing of ours is left, no folder changed, not even in its times.
  EXPECT_EQ(Folders(), before);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  // Each folder's first block holds 32 entries: it took as many files of ours as it had room
  // for (and one more, refused, for each length), the root and the subfolder too.
  const auto made = CreationsByFolder();
  EXPECT_GE(made.at("E:\\garde"), 32 - 5 + 1);
  EXPECT_GE(made.at("E:\\garde\\sous"), 32 - 1 + 1);
  EXPECT_GE(made.at("E:"), 32 - 6 + 1);
  // Neither the link, nor what the online service keeps, nor anything through them.
  EXPECT_EQ(made.count("E:\\lien"), 0u);
  EXPECT_EQ(made.count("E:\\nuage"), 0u);
  // The two folders that took nothing are counted; only the user's own is told.
  const auto& drive = manager.Drives().at(0);
  EXPECT_EQ(drive.NamesNotCoveredIn(), 2u);
  EXPECT_EQ(drive.OwnFoldersNotCovered(), 1u);
  const auto outcomes = manager.Outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].left, LeftBecause::kNotLeft);
  EXPECT_EQ(outcomes[1].path, "E:\\");
  EXPECT_EQ(outcomes[1].left, LeftBecause::kNamesInFolders);
  EXPECT_EQ(outcomes[1].folders, 1u);
  // The cover shows in the progress, after the fill, up to the whole.
  ASSERT_FALSE(recorder->reports.empty());
  EXPECT_GT(recorder->reports[recorder->reports.size() - 2].itemFraction, kFillShare);
  EXPECT_FLOAT_EQ(recorder->reports.back().itemFraction, 1.0f);
}

// "Annuler" during the cover: the folder at hand is left with nothing of ours and its times.
TEST_F(DeletedNamesTest, AStopDuringTheCoverLeavesEveryFolderAsItWas) {
  const auto before = Folders();
  int coverReports = 0;
  recorder->answer = [&](std::size_t index) {
    return !(recorder->reports[index].itemFraction > kFillShare && ++coverReports == 3);
  };
  manager.AddItem("E", true);
  manager.Run();
  EXPECT_EQ(coverReports, 3);
  EXPECT_EQ(manager.Outcomes().at(0).left, LeftBecause::kStopped);
  EXPECT_EQ(Folders(), before);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_FALSE(os.Exists("E:\\VARNOLT.TMP"));
}

// Where small files stay in their records (NTFS), names are made beside entries spread over
// each folder's listing, each place's files going before the next: a file record each, and a
// full volume may have few free. A folder of long names has more than one place.
TEST(DeletedNamesIndex, NamesAreMadeBesideEntriesSpreadOverTheListing) {
  FakePlatform os;
  os.AddVolume('E', kDriveFixed, 4 * kMiB);
  os.SetFileSystem('E', "NTFS");
  os.SetFileRecords('E', 400, std::vector<std::uint8_t>(64, 0x5A));
  os.MakeDirectory("E:\\docs");
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back("rapport-" + std::string(60, static_cast<char>('a' + i % 26)) + "-" + std::to_string(100 + i));
    os.MakeFile("E:\\docs\\" + names.back(), 10);
  }
  const ItemTimes times = os.TimesOf("E:\\docs");
  ShreddingManager manager(os);
  manager.AddItem("E", true);
  manager.Run();

  EXPECT_EQ(manager.Outcomes().at(0).left, LeftBecause::kNotLeft);
  EXPECT_EQ(os.List("E:\\docs"), names);
  EXPECT_EQ(os.TimesOf("E:\\docs"), times);
  // The places: first of all, then names a little over 2 KiB of entries apart.
  std::map<std::string, int> besides;
  for (const auto& call : os.CallsOf(CallKind::kCreateNew)) {
    if (ParentOf(call.path) != "E:\\docs") continue;
    const std::string name = call.path.substr(call.path.rfind('\\') + 1);
    ++besides[name[0] == '!' ? std::string("!") : name.substr(0, name.find('~'))];
  }
  EXPECT_EQ(besides.count("!"), 1u);
  EXPECT_GE(besides.size(), 3u);
  for (const auto& [before, count] : besides) {
    EXPECT_TRUE(before == "!" || std::find(names.begin(), names.end(), before) != names.end()) << before;
  }
}

}  // namespace
}  // namespace varnolt
