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

}  // namespace
}  // namespace varnolt::seam
