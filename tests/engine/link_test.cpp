// Symbolic links and junctions never lead the erasure out of what was chosen: a link is
// removed, never entered or written through, and its target keeps its name and content.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "platform/ReparseTags.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;
using testing::RecordingCallback;
using testing::ScopedRecorder;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

class LinkTest : public ::testing::Test {
 protected:
  LinkTest() : manager(os) {
    os.SetTicks(1000);
    os.SetTickStep(30);
    manager.SetCallback(RecordingCallback);
    // Outside the selection: a directory with content and a guarded file.
    os.MakeDirectory("C:\\outside");
    os.MakeDirectory("C:\\outside\\deep");
    os.MakeFile("C:\\outside\\deep\\precious", 8192, 0x42);
    os.MakeFile("C:\\target.doc", 8192, 0x24, kAttrReadOnly | kAttrHidden);
  }
  void ExpectOutsideUntouched() {
    EXPECT_EQ(os.List("C:\\outside"), Names{"deep"});
    EXPECT_EQ(os.List("C:\\outside\\deep"), Names{"precious"});
    EXPECT_EQ(os.Content("C:\\outside\\deep\\precious"), Bytes(8192, 0x42));
    EXPECT_EQ(os.Content("C:\\target.doc"), Bytes(8192, 0x24));
    EXPECT_EQ(os.AttributesOf("C:\\target.doc"), kAttrReadOnly | kAttrHidden);
    // Nothing below the target directory was ever listed.
    for (const auto& call : os.CallsOf(CallKind::kFindFirst)) {
      EXPECT_EQ(call.path.find("outside"), std::string::npos) << call.path;
    }
  }
  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(LinkTest, TheFakeWritesThroughALinkAsTheSystemDoes) {
  // Without this the tests below could not see a shredder that opens a link.
  os.MakeFileLink("C:\\link", "C:\\target.doc");
  os.SetAttributesOf("C:\\target.doc", kAttrNormal);
  const FileHandle file = os.OpenExistingForWriting("C:\\link");
  ASSERT_NE(file, kInvalidFile);
  std::uint32_t written = 0;
  const std::uint8_t byte = 0xAA;
  os.WriteBytes(file, &byte, 1, &written);
  os.CloseFile(file);
  EXPECT_EQ(os.Content("C:\\target.doc")[0], 0xAA);
  EXPECT_EQ(os.AttributesOf("C:\\link"), kAttrArchive | kAttrReparsePoint);
}

TEST_F(LinkTest, LinksMetWhileWalkingAreRemovedNotEntered) {
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\D\\a", 100);
  os.MakeDirectoryLink("C:\\D\\junction", "C:\\outside");
  os.MakeFileLink("C:\\D\\shortcut", "C:\\target.doc");
  os.MakeDirectory("C:\\D\\S");
  os.MakeDirectoryLink("C:\\D\\S\\up", "C:\\outside\\deep");
  os.MakeFileLink("C:\\D\\S\\dangling", "C:\\gone");
  manager.AddItem("C:\\D", true);

  std::vector<std::string> files, directories;
  for (const auto& file : manager.Files()) files.emplace_back(file.Path());
  for (const auto& directory : manager.Directories()) directories.emplace_back(directory.Path());
  EXPECT_EQ(files, (Names{"C:\\D\\a", "C:\\D\\shortcut", "C:\\D\\S\\dangling"}));
  EXPECT_EQ(directories, (Names{"C:\\D\\junction", "C:\\D\\S\\up", "C:\\D\\S", "C:\\D"}));
  EXPECT_EQ(manager.TotalBytes(), 100u);

  manager.Run();
  EXPECT_FALSE(os.Exists("C:\\D"));
  ExpectOutsideUntouched();
  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{100, 100, 100}));  // a only
}

TEST_F(LinkTest, AChosenLinkIsRemovedAndItsTargetKept) {
  os.MakeDirectoryLink("C:\\junction", "C:\\outside");
  os.MakeFileLink("C:\\shortcut", "C:\\target.doc");
  manager.AddItem("C:\\junction", true);
  manager.AddItem("C:\\shortcut", true);
  EXPECT_EQ(manager.DirectoryCount(), 1);
  EXPECT_EQ(manager.FileCount(), 1);

  manager.Run();
  EXPECT_FALSE(os.Exists("C:\\junction"));
  EXPECT_FALSE(os.Exists("C:\\shortcut"));
  ExpectOutsideUntouched();
  EXPECT_TRUE(os.WriteSizes().empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kOpen).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kSetAttributes).empty());
  // Nothing written: the only reports come between the items, once the link file is gone.
  for (const auto& report : recorder->reports) EXPECT_EQ(report.itemsDone, 1);
}

TEST_F(LinkTest, AFileLinkThatCannotMoveIsStillRemovedUnderItsName) {
  os.MakeFileLink("C:\\shortcut", "C:\\target.doc");
  os.RefuseMove("C:\\shortcut");
  manager.AddItem("C:\\shortcut", true);
  manager.Run();
  EXPECT_FALSE(os.Exists("C:\\shortcut"));
  ExpectOutsideUntouched();
}

// Reparse points that keep their own data (a OneDrive folder and its files carry one) are no
// links: erased in place like any other item, or their contents would stay readable.
TEST_F(LinkTest, CloudFilesAndFoldersAreErasedLikeAnyOther) {
  const std::uint32_t cloud = kAttrArchive | kAttrReparsePoint;
  os.MakeDirectory("C:\\OneDrive", kAttrDirectory | kAttrReparsePoint);
  os.MakeFile("C:\\OneDrive\\bank.pdf", 5000, 0x11, cloud | kAttrReadOnly);
  os.MakeDirectoryLink("C:\\OneDrive\\junction", "C:\\outside");
  os.MakeFile("C:\\chosen.xls", 3000, 0x22, cloud);
  manager.AddItem("C:\\OneDrive", true);
  manager.AddItem("C:\\chosen.xls", true);
  EXPECT_EQ(manager.FileCount(), 2);
  EXPECT_EQ(manager.TotalBytes(), 8000u);

  manager.Run();
  EXPECT_FALSE(os.Exists("C:\\OneDrive"));
  EXPECT_FALSE(os.Exists("C:\\chosen.xls"));
  ExpectOutsideUntouched();
  // Three whole sweeps over each, through the file itself.
  Names written;
  for (const auto& call : os.CallsOf(CallKind::kWrite)) written.push_back(call.path);
  const std::string bank = "C:\\ONEDRIVE\\BANK.PDF", chosen = "C:\\CHOSEN.XLS";
  EXPECT_EQ(written, (Names{bank, bank, bank, chosen, chosen, chosen}));
  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{5000, 5000, 5000, 3000, 3000, 3000}));
}

// Between the collection and the erase (while the confirmation is open), another program
// replaces a folder of the selection by a link to a folder never chosen, holding a file of the
// same name. Swapped before the file is opened: the name leads to the other file, another item
// than the one collected, which stays; so does the link, which was never chosen. Swapped once
// the folder itself is opened for its removal (its file erased by then; Windows renames no
// folder holding an open file): the folder opened is the one removed, never what its name now
// leads to. Either way the other folder is whole.
TEST_F(LinkTest, AFolderReplacedByALinkAfterCollectionLeadsNothingOutside) {
  for (const bool atTheFolder : {false, true}) {
    SCOPED_TRACE(atTheFolder ? "after the folder's opening" : "before the file's opening");
    FakePlatform world;
    world.MakeDirectory("C:\\choisi");
    world.MakeDirectory("C:\\choisi\\sous");
    world.MakeFile("C:\\choisi\\sous\\x.txt", 100, 0x11);
    world.MakeDirectory("C:\\autre");
    world.MakeFile("C:\\autre\\x.txt", 100, 0x22);
    ShreddingManager chosen(world);
    chosen.AddItem("C:\\choisi", true);
    ASSERT_EQ(chosen.FileCount(), 1);
    world.ReplaceFolderByLinkAtOpen(atTheFolder ? 2 : 1, "C:\\choisi\\sous", "C:\\autre", atTheFolder);
    chosen.Run();

    EXPECT_EQ(world.List("C:\\autre"), Names{"x.txt"});
    EXPECT_EQ(world.Content("C:\\autre\\x.txt"), Bytes(100, 0x22));
    EXPECT_TRUE(world.IsDirectory("C:\\choisi\\sous")) << "the link stays where it was put";
    const std::vector<ItemOutcome> outcomes = chosen.Outcomes();
    ASSERT_EQ(outcomes.size(), 3u);
    if (atTheFolder) {
      EXPECT_TRUE(outcomes[0].Erased());
      EXPECT_TRUE(outcomes[1].Erased()) << "the folder opened, moved aside, is the one removed";
      EXPECT_FALSE(world.Exists("C:\\choisi\\sous~"));
    } else {
      EXPECT_EQ(outcomes[0].path, "C:\\choisi\\sous\\x.txt");
      EXPECT_EQ(outcomes[0].left, LeftBecause::kReplaced);
      EXPECT_EQ(outcomes[1].left, LeftBecause::kReplaced);
      EXPECT_EQ(world.Content("C:\\choisi\\sous~\\x.txt"), Bytes(100, 0x11)) << "left whole, unwritten";
    }
    EXPECT_FALSE(outcomes[2].Erased()) << "the link keeps the chosen folder from being empty";
  }
}

TEST(ReparseTags, NameSurrogatesAreLinksKnownDataKeepersOrdinaryTheRestUnknown) {
  for (const std::uint32_t tag : {0x9000001Au, 0x9000101Au, 0x9000F01Au,  // cloud files
                                  0x80000013u, 0x80000017u,               // dedup, compressed
                                  0xC0000004u, 0x80000006u, 0x80000007u}) {
    EXPECT_TRUE(KeepsItsOwnData(tag)) << std::hex << tag;
    EXPECT_EQ(KindOfReparseTag(tag), ReparseKind::kKeepsData) << std::hex << tag;
  }
  for (const std::uint32_t tag : {0xA000000Cu,   // symbolic link
                                  0xA0000003u,   // junction, mount point
                                  0xA000001Du,   // WSL symbolic link
                                  0x20000000u, 0xE0000042u}) {  // any tag with the name-surrogate bit
    EXPECT_FALSE(KeepsItsOwnData(tag)) << std::hex << tag;
    EXPECT_EQ(KindOfReparseTag(tag), ReparseKind::kLink) << std::hex << tag;
  }
  for (const std::uint32_t tag : {0u, 0x8000001Bu,   // app execution alias
                                  0x9000001Cu,       // projected file system
                                  0x80000024u,       // container layer
                                  0x9000001Bu, 0x1000001Au, 0xDFFFFFFFu}) {
    EXPECT_FALSE(KeepsItsOwnData(tag)) << std::hex << tag;
    EXPECT_EQ(KindOfReparseTag(tag), ReparseKind::kUnknown) << std::hex << tag;
  }
}

// The tag decides, for files and folders alike: a name surrogate goes alone, a known
// data-keeping tag is erased in place, and any other is left exactly as it was.
TEST_F(LinkTest, EachReparseTagIsTreatedByItsKind) {
  os.MakeDirectory("C:\\chosen");
  os.MakeFile("C:\\chosen\\surrogate", 100, 0x01);
  os.SetReparseTag("C:\\chosen\\surrogate", 0xA000001D);  // a WSL symbolic link
  os.MakeFile("C:\\chosen\\deduplicated", 200, 0x02);
  os.SetReparseTag("C:\\chosen\\deduplicated", 0x80000013);
  os.MakeFile("C:\\chosen\\projected", 300, 0x03, kAttrArchive | kAttrReadOnly);
  os.SetReparseTag("C:\\chosen\\projected", 0x9000001C);
  os.MakeDirectory("C:\\chosen\\layer");
  os.MakeFile("C:\\chosen\\layer\\inside", 400, 0x04);
  os.SetReparseTag("C:\\chosen\\layer", 0x80000024);
  manager.AddItem("C:\\chosen", true);
  // The unknown folder is not entered: nothing below it is collected.
  EXPECT_EQ(manager.FileCount(), 3);
  for (const auto& call : os.CallsOf(CallKind::kFindFirst)) {
    EXPECT_EQ(call.path.find("layer"), std::string::npos) << call.path;
  }
  manager.Run();

  EXPECT_EQ(os.List("C:\\chosen"), (Names{"projected", "layer"}));
  EXPECT_EQ(os.Content("C:\\chosen\\projected"), Bytes(300, 0x03));
  EXPECT_EQ(os.AttributesOf("C:\\chosen\\projected"), kAttrArchive | kAttrReadOnly | kAttrReparsePoint);
  EXPECT_EQ(os.List("C:\\chosen\\layer"), Names{"inside"});
  EXPECT_EQ(os.Content("C:\\chosen\\layer\\inside"), Bytes(400, 0x04));
  // Only the data-keeping file was written: three sweeps of 200 bytes.
  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{200, 200, 200}));
  for (const auto& call : os.CallsOf(CallKind::kSetAttributes)) {
    EXPECT_EQ(call.path.find("projected"), std::string::npos) << call.path;
  }
  const auto& files = manager.Files();
  EXPECT_EQ(files[2].Left(), LeftBecause::kUnknownReparsePoint);
  EXPECT_EQ(manager.Directories()[0].Left(), LeftBecause::kUnknownReparsePoint);  // layer
  EXPECT_EQ(manager.Directories()[1].Left(), LeftBecause::kFolderNotEmpty);       // chosen

  // Chosen by itself, an unknown folder is left whole as well.
  ShreddingManager alone(os);
  alone.AddItem("C:\\chosen\\layer", true);
  alone.Run();
  EXPECT_EQ(os.List("C:\\chosen\\layer"), Names{"inside"});
  ExpectOutsideUntouched();
}

}  // namespace
}  // namespace varnolt
