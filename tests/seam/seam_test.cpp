// The seam's behaviour, the same tests on both backends: natively on the in-memory platform,
// and under Wine on real files with the real Win32 backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ItemNames.h"
#include "tests/seam/seam_world.h"

namespace varnolt::seam {
namespace {

class SeamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world = MakeWorld();
    root = world->Root();
    ASSERT_FALSE(root.empty());
  }
  std::string In(const std::string& name) const { return root + "\\" + name; }
  std::vector<std::string> Listed(const std::string& folder) {
    std::vector<std::string> names;
    FindData entry;
    const FindHandle find = world->Os().FindFirst((folder + "\\*").c_str(), &entry);
    if (find == kInvalidFind) return names;
    do {
      if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
    } while (world->Os().FindNext(find, &entry));
    world->Os().FindEnd(find);
    return names;
  }
  std::unique_ptr<World> world;
  std::string root;
};

TEST_F(SeamTest, TrailingDotsAndSpacesAreDroppedByResolvingAndRefusedByTheNameCheck) {
  world->MakeFile(In("Rapport"), 3);
  std::string full;
  ASSERT_TRUE(world->Os().ResolveFullPath(In("Rapport ").c_str(), full));
  EXPECT_EQ(full, In("Rapport"));
  ASSERT_TRUE(world->Os().ResolveFullPath(In("Rapport.").c_str(), full));
  EXPECT_EQ(full, In("Rapport"));
  EXPECT_FALSE(KeepsItsName(world->Os(), In("Rapport ").c_str()));
  EXPECT_FALSE(KeepsItsName(world->Os(), In("Rapport. ").c_str()));
  EXPECT_TRUE(KeepsItsName(world->Os(), In("Rapport").c_str()));
  EXPECT_NE(world->Os().AttributesOf(In("Rapport").c_str()), kInvalidAttributes);
}

// A volume's root is told by opening it, whatever its spelling; a folder is none, and a path
// that cannot be opened gives no answer. Chosen names are read accordingly.
TEST_F(SeamTest, AVolumeRootIsToldByOpeningIt) {
  world->MakeFolder(In("sub"));
  const std::string drive = root.substr(0, 3);
  ASSERT_EQ(drive.substr(1), ":\\");
  Platform& os = world->Os();
  EXPECT_EQ(os.OpensAVolumeRoot(drive.c_str()), Answer::kYes);
  EXPECT_EQ(os.OpensAVolumeRoot(("\\\\?\\" + drive).c_str()), Answer::kYes);
  EXPECT_EQ(os.OpensAVolumeRoot(root.c_str()), Answer::kNo);
  EXPECT_EQ(os.OpensAVolumeRoot(In("sub").c_str()), Answer::kNo);
  EXPECT_EQ(os.OpensAVolumeRoot(In("nothing").c_str()), Answer::kUnknown);

  char chosen[4] = {};
  EXPECT_EQ(ChosenRootOf(os, ("\\\\?\\" + drive).c_str(), chosen), ChosenRoot::kDrive);
  EXPECT_EQ(std::string(chosen), drive);
  EXPECT_EQ(ChosenRootOf(os, ("//?/" + drive.substr(0, 2) + "/").c_str(), chosen), ChosenRoot::kDrive);
  EXPECT_EQ(ChosenRootOf(os, ("\\??\\" + drive).c_str(), chosen), ChosenRoot::kRefused);
  EXPECT_EQ(ChosenRootOf(os, ("\\\\?\\" + In("sub\\..")).c_str(), chosen), ChosenRoot::kRefused);
  EXPECT_EQ(ChosenRootOf(os, ("\\\\?\\" + In("sub")).c_str(), chosen), ChosenRoot::kNone);
  EXPECT_EQ(ChosenRootOf(os, In("sub").c_str(), chosen), ChosenRoot::kNone);
}

TEST_F(SeamTest, NamesOfAnyScriptAndLookAlikesAreListedAndResolvedAsThemselves) {
  const std::vector<std::string> names = {"\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBCvictim",  // ．．＼victim
                                          "\xC5\x81\xC3\xB3" "d\xC5\xBA.txt",            // Łódź.txt
                                          "vacances \xF0\x9F\x98\x80.jpg"};
  for (const std::string& name : names) world->MakeFile(In(name), 1);
  std::vector<std::string> listed = Listed(root);
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  for (const std::string& name : names) {
    std::string full;
    ASSERT_TRUE(world->Os().ResolveFullPath(In(name).c_str(), full));
    EXPECT_EQ(full, In(name));
    EXPECT_TRUE(KeepsItsName(world->Os(), In(name).c_str()));
  }
  EXPECT_FALSE(world->Exists(root.substr(0, root.rfind('\\')) + "\\victim"));
}

// Windows compares names case-insensitively one UTF-16 unit at a time with its upper-case
// table: accented and non-Latin capitals name the same item as their small letters, "\u00DF"
// has no one-unit capital (never "SS"), and letters outside the BMP are not folded at all.
TEST_F(SeamTest, NamesMatchInAnyCaseOneUtf16UnitAtATime) {
  const std::string city = "\xC5\x82\xC3\xB3" "d\xC5\xBA.txt";        // łódź.txt
  const std::string cityCapitals = "\xC5\x81\xC3\x93" "D\xC5\xB9.TXT";  // ŁÓDŹ.TXT
  world->MakeFile(In(city), 4);
  std::uint64_t size = 0;
  EXPECT_TRUE(world->Os().SizeFromAttributes(In(cityCapitals).c_str(), &size));
  EXPECT_EQ(size, 4u);
  EXPECT_NE(world->Os().AttributesOf(In(cityCapitals).c_str()), kInvalidAttributes);

  // Greek and Cyrillic folders, reached through their capitals; listings keep the created names.
  world->MakeFolder(In("\xCF\x89mega"));                          // ωmega
  world->MakeFile(In("\xCE\xA9MEGA\\inner.txt"), 1);             // ΩMEGA\inner.txt
  world->MakeFolder(In("\xD0\xB6\xD1\x83\xD0\xBA"));            // жук
  EXPECT_EQ(Listed(In("\xCF\x89mega")), std::vector<std::string>{"inner.txt"});
  EXPECT_FALSE(world->Os().MakeFolder(In("\xD0\x96\xD0\xA3\xD0\x9A").c_str())) << "ЖУК is жук";

  const std::string street = "stra\xC3\x9F" "e";  // straße
  world->MakeFile(In(street), 2);
  EXPECT_NE(world->Os().AttributesOf(In("STRA\xC3\x9F" "E").c_str()), kInvalidAttributes);
  EXPECT_EQ(world->Os().AttributesOf(In("STRASSE").c_str()), kInvalidAttributes);
  const std::string deseret = "\xF0\x90\x90\xA8";  // U+10428, whose capital is U+10400
  world->MakeFile(In(deseret), 1);
  EXPECT_EQ(world->Os().AttributesOf(In("\xF0\x90\x90\x80").c_str()), kInvalidAttributes);

  // Moved and deleted through the capitals: the item itself, under its one name.
  EXPECT_TRUE(world->Os().MovePath(In(cityCapitals).c_str(), In("4242").c_str()));
  EXPECT_TRUE(world->Exists(In("4242")));
  EXPECT_FALSE(world->Exists(In(city)));
  EXPECT_TRUE(world->Os().DeleteFilePath(In("\xCE\xA9MEGA\\INNER.TXT").c_str()));
  EXPECT_TRUE(world->Os().RemoveEmptyDirectory(In("\xCE\xA9MEGA").c_str()));
  std::vector<std::string> listed = Listed(root);
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected = {"4242", street, "\xD0\xB6\xD1\x83\xD0\xBA", deseret};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
}

TEST_F(SeamTest, PathsPast260CharactersWorkInEveryCall) {
  std::string deep = In("D");
  world->MakeFolder(deep);
  while (deep.size() < 400) {
    deep += "\\" + std::string(50, 'L');
    world->MakeFolder(deep);
  }
  const std::string file = deep + "\\f.bin";
  world->MakeFile(file, 100);
  std::uint64_t size = 0;
  EXPECT_TRUE(world->Os().SizeFromAttributes(file.c_str(), &size));
  EXPECT_EQ(size, 100u);
  EXPECT_EQ(Listed(deep), std::vector<std::string>{"f.bin"});
  const FileHandle open = world->Os().OpenExistingForWriting(file.c_str());
  ASSERT_NE(open, kInvalidFile);
  std::uint32_t written = 0;
  EXPECT_TRUE(world->Os().WriteBytes(open, "abc", 3, &written));
  EXPECT_EQ(written, 3u);
  world->Os().CloseFile(open);
  const std::string moved = deep + "\\1234567890";
  EXPECT_TRUE(world->Os().MovePath(file.c_str(), moved.c_str()));
  EXPECT_TRUE(world->Os().DeleteFilePath(moved.c_str()));
  EXPECT_FALSE(world->Exists(moved));
  EXPECT_TRUE(world->Os().RemoveEmptyDirectory(deep.c_str()));
  EXPECT_FALSE(world->Exists(deep));
}

// An item opened to be erased is renamed and deleted through its handle: it stays in its own
// folder under the new name (Wine would move a bare name to the working folder), keeps its
// identity, and goes when the handle closes. A folder goes only empty; a file is no folder.
TEST_F(SeamTest, AnOpenedItemIsRenamedInItsFolderAndDeletedThroughItsHandle) {
  Platform& os = world->Os();
  world->MakeFolder(In("d"));
  world->MakeFile(In("d\\secret.txt"), 10);
  ItemIdentity named, opened, renamed;
  ASSERT_TRUE(os.IdentityOf(In("d\\secret.txt").c_str(), &named));
  const FileHandle file = os.OpenFileForErasure(In("d\\secret.txt").c_str());
  ASSERT_NE(file, kInvalidFile);
  ASSERT_TRUE(os.OpenIdentity(file, &opened));
  EXPECT_EQ(opened, named);
  EXPECT_TRUE(os.RenameOpen(file, In("d\\4242").c_str()));
  EXPECT_EQ(Listed(In("d")), std::vector<std::string>{"4242"});
  ASSERT_TRUE(os.IdentityOf(In("d\\4242").c_str(), &renamed));
  EXPECT_EQ(renamed, named);
  world->MakeFile(In("d\\taken"), 1);
  EXPECT_FALSE(os.RenameOpen(file, In("d\\taken").c_str())) << "a name that stands is not replaced";
  EXPECT_TRUE(os.DeleteOpen(file));
  os.CloseFile(file);
  EXPECT_FALSE(world->Exists(In("d\\4242")));
  EXPECT_TRUE(world->Exists(In("d\\taken")));

  EXPECT_EQ(os.OpenFolderForRemoval(In("d\\taken").c_str()), kInvalidFile) << "a file is no folder";
  EXPECT_EQ(os.OpenFileForErasure(In("d").c_str()), kInvalidFile) << "a folder is no file";
  ItemIdentity other;
  ASSERT_TRUE(os.IdentityOf(In("d\\taken").c_str(), &other));
  EXPECT_NE(other, named);
  const FileHandle folder = os.OpenFolderForRemoval(In("d").c_str());
  ASSERT_NE(folder, kInvalidFile);
  EXPECT_TRUE(os.RenameOpen(folder, In("d2").c_str()));
  EXPECT_TRUE(world->Exists(In("d2\\taken")));
  EXPECT_TRUE(os.DeleteFilePath(In("d2\\taken").c_str()));
  EXPECT_TRUE(os.DeleteOpen(folder));
  os.CloseFile(folder);
  EXPECT_FALSE(world->Exists(In("d2")));
}

// A folder's times are read and put back through a handle that lets its listing and new
// entries go on: an entry made and deleted in it moves its written time, which goes back; the
// user running the tests owns what they made. A file is no folder.
TEST_F(SeamTest, AFoldersTimesArePutBackThroughItsHandle) {
  Platform& os = world->Os();
  world->MakeFolder(In("d"));
  world->MakeFile(In("d\\kept.txt"), 10);
  EXPECT_EQ(os.OpenFolderForTimes(In("d\\kept.txt").c_str()), kInvalidFile) << "a file is no folder";
  const FileHandle folder = os.OpenFolderForTimes(In("d").c_str());
  ASSERT_NE(folder, kInvalidFile);
  ItemTimes before, moved, after;
  std::uint32_t attributes = 0;
  ASSERT_TRUE(os.OpenTimes(folder, &before, &attributes));
  EXPECT_NE(attributes & kAttrDirectory, 0u);
  EXPECT_EQ(os.OpenOwnedByUser(folder), Answer::kYes);
  // Put back a time from long ago, so that a change in between cannot go unseen.
  before.written -= 10'000'000ull * 3600 * 24 * 400;
  ASSERT_TRUE(os.SetOpenTimes(folder, before));
  const FileHandle cover = os.CreateNewDeleteOnClose(In("d\\cover").c_str());
  ASSERT_NE(cover, kInvalidFile) << "the folder takes new entries while held";
  std::vector<std::string> listed = Listed(In("d"));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"cover", "kept.txt"}));
  os.CloseFile(cover);
  ASSERT_TRUE(os.OpenTimes(folder, &moved, &attributes));
  EXPECT_NE(moved.written, before.written);
  EXPECT_TRUE(os.SetOpenTimes(folder, before));
  os.CloseFile(folder);
  const FileHandle again = os.OpenFolderForTimes(In("d").c_str());
  ASSERT_NE(again, kInvalidFile);
  ASSERT_TRUE(os.OpenTimes(again, &after, &attributes));
  os.CloseFile(again);
  // Only the written time: Wine makes a creation time up from the Unix times, which it
  // cannot set.
  EXPECT_EQ(after.written, before.written);
}

TEST_F(SeamTest, LinkCountSeesASecondName) {
  world->MakeFile(In("one"), 5);
  EXPECT_EQ(world->Os().NameCountOf(In("one").c_str()), 1u);
  world->AddHardLink(In("one"), In("two"));
  EXPECT_EQ(world->Os().NameCountOf(In("one").c_str()), 2u);
  const FileHandle open = world->Os().OpenExistingForWriting(In("one").c_str());
  ASSERT_NE(open, kInvalidFile);
  EXPECT_EQ(world->Os().OpenFileNameCount(open), 2u);
  world->Os().CloseFile(open);
}

TEST_F(SeamTest, AFileHeldOpenWithoutSharingCannotBeOpenedOrDeleted) {
  world->MakeFile(In("busy"), 5);
  world->HoldOpen(In("busy"));
  EXPECT_EQ(world->Os().OpenExistingForWriting(In("busy").c_str()), kInvalidFile);
  EXPECT_FALSE(world->Os().DeleteFilePath(In("busy").c_str()));
  EXPECT_TRUE(world->Exists(In("busy")));
  world->Release(In("busy"));
  EXPECT_TRUE(world->Os().DeleteFilePath(In("busy").c_str()));
}

TEST_F(SeamTest, DeleteOnCloseLeavesNothingAndReadOnlyIsKeptUntilChanged) {
  const FileHandle fill = world->Os().CreateDeleteOnClose(In("VARNOLT.TMP").c_str());
  ASSERT_NE(fill, kInvalidFile);
  EXPECT_TRUE(world->Exists(In("VARNOLT.TMP")));
  world->Os().CloseFile(fill);
  EXPECT_FALSE(world->Exists(In("VARNOLT.TMP")));

  world->MakeFile(In("guarded"), 2);
  EXPECT_TRUE(world->Os().SetAttributesOf(In("guarded").c_str(), kAttrReadOnly));
  EXPECT_TRUE(world->Os().AttributesOf(In("guarded").c_str()) & kAttrReadOnly);
  EXPECT_TRUE(world->Os().SetAttributesOf(In("guarded").c_str(), kAttrNormal));
  EXPECT_FALSE(world->Os().AttributesOf(In("guarded").c_str()) & kAttrReadOnly);
}

// The numbered fill files: made new only, so a name that stands (a file of someone else's) is
// refused and keeps its content, and the new one goes when closed. A plain file lists no
// named stream on either backend (Wine's drives keep none; the fake's file has none).
TEST_F(SeamTest, CreatingNewRefusesANameThatStandsAndListsNoStreamsOfAPlainFile) {
  world->MakeFile(In("VARNOLT1.TMP"), 7);
  EXPECT_EQ(world->Os().CreateNewDeleteOnClose(In("VARNOLT1.TMP").c_str()), kInvalidFile);
  std::uint64_t size = 0;
  ASSERT_TRUE(world->Os().SizeFromAttributes(In("VARNOLT1.TMP").c_str(), &size));
  EXPECT_EQ(size, 7u);
  const FileHandle fill = world->Os().CreateNewDeleteOnClose(In("VARNOLT2.TMP").c_str());
  ASSERT_NE(fill, kInvalidFile);
  EXPECT_EQ(world->Os().OpenFileNameCount(fill), 1u);
  world->Os().CloseFile(fill);
  EXPECT_FALSE(world->Exists(In("VARNOLT2.TMP")));

  std::vector<StreamEntry> streams{StreamEntry{"stale", 1}};
  EXPECT_TRUE(world->Os().NamedStreamsOf(In("VARNOLT1.TMP").c_str(), streams));
  EXPECT_TRUE(streams.empty());
  EXPECT_GT(world->Os().ClusterSizeOf((root.substr(0, 3)).c_str()), 0u);
}

// Asking the drive to discard a file's ranges is a hint, refused by the file systems here (Wine
// answers error 50; the fake's volume does as Wine does): the file and its handle go on as they
// were. The storage and shadow-copy questions answer "not known" and "none" here, which change
// nothing in a run; a plain file has no reparse tag, in a listing or asked.
TEST_F(SeamTest, ARefusedTrimChangesNothingAndTheStorageQuestionsAnswerCleanly) {
  world->MakeFile(In("trim.bin"), 10000);
  const FileHandle file = world->Os().OpenFileForErasure(In("trim.bin").c_str());
  ASSERT_NE(file, kInvalidFile);
  EXPECT_FALSE(world->Os().TrimRange(file, 0, 10000));
  EXPECT_EQ(world->Os().LastFailure(), FailureKind::kOther);
  const std::vector<std::uint8_t> bytes(4096, 0x5A);
  std::uint32_t written = 0;
  EXPECT_TRUE(world->Os().SeekToStart(file));
  EXPECT_TRUE(world->Os().WriteBytes(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written));
  EXPECT_EQ(written, bytes.size());
  EXPECT_TRUE(world->Os().FlushToDisk(file));
  world->Os().CloseFile(file);
  std::uint64_t size = 0;
  ASSERT_TRUE(world->Os().SizeFromAttributes(In("trim.bin").c_str(), &size));
  EXPECT_EQ(size, 10000u);

  EXPECT_EQ(world->Os().StorageKindOf(root.substr(0, 3).c_str()), StorageKind::kUnknown);
  EXPECT_EQ(world->Os().ShadowCopiesExist(), Answer::kNo);
  EXPECT_EQ(world->Os().ReparseTagOf(In("trim.bin").c_str()), 0u);
  FindData entry;
  const FindHandle find = world->Os().FindFirst(In("*").c_str(), &entry);
  ASSERT_NE(find, kInvalidFind);
  int listed = 0;
  do {
    if (entry.name != "trim.bin") continue;
    ++listed;
    EXPECT_EQ(entry.reparseTag, 0u);
  } while ((entry.reparseTag = 7, world->Os().FindNext(find, &entry)));
  world->Os().FindEnd(find);
  EXPECT_EQ(listed, 1);
}

}  // namespace
}  // namespace varnolt::seam
