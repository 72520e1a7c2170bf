// Whole trees erased by the manager with the real Win32 backend, on real files in a scratch
// folder under C: (run under Wine).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "engine/ShreddingManager.h"
#include "tests/engine/counting_platform.h"
#include "traced_platform.h"
#include "tests/wine_support/wine_support.h"

// <windows.h> defines GetFreeSpace(w) as a macro: drop it after the engine's headers.
#include <windows.h>
#undef GetFreeSpace

namespace varnolt {
namespace {

using testing::TracedPlatform;
using wine_testing::ListFolder;
using wine_testing::MakeScratchFolder;
using wine_testing::RemoveTree;
using Names = std::vector<std::string>;

std::uint8_t GoOn(float, std::int32_t, std::int32_t, float) { return 1; }

void WriteFile(const std::string& path, std::size_t size, char fill, DWORD attributes = 0) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  const std::string content(size, fill);
  DWORD written = 0;
  const BOOL ok = size == 0 || ::WriteFile(file, content.data(), static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == size) << path;
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
  }
}

void MakeDirectory(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path << " error " << GetLastError();
}

bool IsRandomName(const std::string& name) { return std::regex_match(name, std::regex(R"(\d{1,10})")); }

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(scratch.empty());
  }
  void TearDown() override { RemoveTree(scratch); }

  std::string scratch;
  TracedPlatform os;
};

TEST_F(TreeTest, TreeIsErasedFilesFirstThenDirectoriesDeepestFirstChosenLast) {
  const std::string d = scratch + "\\D";
  MakeDirectory(d);
  WriteFile(d + "\\a.txt", 20000, 'a');
  MakeDirectory(d + "\\S");
  WriteFile(d + "\\S\\b.bin", 8193, 'b');
  MakeDirectory(d + "\\S\\T");
  WriteFile(d + "\\S\\T\\c", 0, 'c');
  WriteFile(d + "\\guarded", 100, 'g', FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeDirectory(d + "\\U");

  ShreddingManager manager(os);
  manager.AddItem(d.c_str(), true);
  EXPECT_EQ(manager.FileCount(), 4);
  EXPECT_EQ(manager.DirectoryCount(), 4);
  EXPECT_EQ(manager.TotalBytes(), 20000u + 8193u + 0u + 100u);
  // Every directory after those below it; the chosen one last.
  const auto& directories = manager.Directories();
  ASSERT_EQ(directories.size(), 4u);
  EXPECT_EQ(std::string(directories.back().Path()), d);
  for (std::size_t i = 0; i < directories.size(); ++i) {
    for (std::size_t j = i + 1; j < directories.size(); ++j) {
      const std::string earlier = std::string(directories[i].Path()) + "\\";
      EXPECT_NE(std::string(directories[j].Path()).rfind(earlier, 0), 0u)
          << directories[i].Path() << " comes before what it holds";
    }
  }

  manager.SetCallback(GoOn);
  manager.Run();
  EXPECT_EQ(ListFolder(scratch), Names{});

  // Four files deleted, then four directories removed, each under a random name.
  std::vector<std::string> kinds;
  for (const auto& operation : os.names) {
    if (operation.kind == "delete" || operation.kind == "rmdir") {
      kinds.push_back(operation.kind);
      EXPECT_TRUE(operation.ok) << operation.kind << " " << operation.path;
      const std::string name = operation.path.substr(operation.path.find_last_of('\\') + 1);
      EXPECT_TRUE(IsRandomName(name)) << operation.path;
    }
  }
  EXPECT_EQ(kinds, (Names{"delete", "delete", "delete", "delete", "rmdir", "rmdir", "rmdir", "rmdir"}));
  // D last, renamed in place. C: is a network drive in the test prefix: no file of ours is made
  // there, neither in the emptied folders nor where D stood (the image tests show them).
  ASSERT_FALSE(os.names.empty());
  EXPECT_EQ(os.names.back().kind, "rmdir");
  EXPECT_EQ(os.names.back().path.substr(0, scratch.size() + 1), scratch + "\\");
  EXPECT_EQ(os.names.back().path.find('\\', scratch.size() + 1), std::string::npos);
  for (const auto& operation : os.names) EXPECT_NE(operation.kind, "create-new") << operation.path;
  // Every file got three full sweeps, each flushed.
  std::uint64_t written = 0;
  for (const auto& sweep : os.sweeps) {
    EXPECT_TRUE(sweep.flushed) << sweep.path;
    EXPECT_FALSE(sweep.shortWrite) << sweep.path;
    written += sweep.written;
  }
  EXPECT_EQ(os.sweeps.size(), 12u);
  EXPECT_EQ(written, 3u * manager.TotalBytes());
}

TEST_F(TreeTest, FileHeldOpenWithoutSharingKeepsItselfAndItsChainOfDirectories) {
  const std::string d = scratch + "\\D";
  MakeDirectory(d);
  WriteFile(d + "\\a", 5000, 'a');
  MakeDirectory(d + "\\S");
  WriteFile(d + "\\S\\held", 3000, 'h');
  MakeDirectory(d + "\\S\\T");
  WriteFile(d + "\\S\\T\\c", 100, 'c');
  MakeDirectory(d + "\\U");
  WriteFile(d + "\\U\\d", 100, 'd');
  const HANDLE held = CreateFileA((d + "\\S\\held").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  ShreddingManager manager(os);
  manager.AddItem(d.c_str(), true);
  manager.SetCallback(GoOn);
  manager.Run();

  // The held file stays under its name with its content; its directories stay, possibly
  // under random names (Wine lets a directory holding an open file move, Windows does not).
  const Names top = ListFolder(scratch);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_TRUE(top[0] == "D" || IsRandomName(top[0])) << top[0];
  const std::string dNow = scratch + "\\" + top[0];
  const Names middle = ListFolder(dNow);
  ASSERT_EQ(middle.size(), 1u);
  EXPECT_TRUE(middle[0] == "S" || IsRandomName(middle[0])) << middle[0];
  EXPECT_EQ(ListFolder(dNow + "\\" + middle[0]), Names{"held"});

  char content[4000];
  DWORD got = 0;
  SetFilePointer(held, 0, nullptr, FILE_BEGIN);
  ASSERT_TRUE(ReadFile(held, content, sizeof content, &got, nullptr));
  CloseHandle(held);
  EXPECT_EQ(std::string(content, got), std::string(3000, 'h'));
}

// The ANSI listing shows a name its code page cannot hold by look-alikes: "．．＼victim"
// (fullwidth dots and backslash) is listed as "..\victim", a path outside the chosen directory.
// The ANSI listing showed "．．＼victim" as "..\\victim", the file beside D. The wide listing
// shows it as itself: it is erased under its own name, with D, and the victim stays.
TEST_F(TreeTest, ANameOfLookAlikeCharactersIsErasedUnderItsOwnName) {
  const std::string d = scratch + "\\D";
  MakeDirectory(d);
  WriteFile(scratch + "\\victim", 1000, 'v');
  WriteFile(d + "\\plain", 100, 'p');
  const std::string oddName = "\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBCvictim";
  ASSERT_TRUE(wine_testing::WriteTextFile(d + "\\" + oddName, "odd"));
  ASSERT_EQ(ListFolder(d), (Names{"plain", oddName}));

  ShreddingManager manager(os);
  manager.AddItem(d.c_str(), true);
  EXPECT_EQ(manager.FileCount(), 2);
  manager.SetCallback(GoOn);
  manager.Run();

  EXPECT_EQ(wine_testing::ReadTextFile(scratch + "\\victim"), std::string(1000, 'v'));
  EXPECT_EQ(ListFolder(scratch), Names{"victim"});
}

// Past 260 characters every call takes the "\\?\" form: the deepest file of a tree of 600
// characters is overwritten, renamed and deleted, and every folder above it removed.
TEST_F(TreeTest, ATreePast260CharactersIsErasedToItsDeepestFile) {
  const std::string d = scratch + "\\D";
  std::string deep = d;
  ASSERT_TRUE(wine_testing::MakeFolder(deep));
  while (deep.size() < 560) {
    deep += "\\" + std::string(40, 'q');
    ASSERT_TRUE(wine_testing::MakeFolder(deep)) << deep.size();
  }
  const std::string deepest = deep + "\\\xE6\x97\xA5\xE6\x9C\xAC.bin";
  ASSERT_TRUE(wine_testing::WriteTextFile(deepest, std::string(20000, 's')));
  ShreddingManager manager(os);
  manager.AddItem(d.c_str(), true);
  ASSERT_EQ(manager.FileCount(), 1);
  EXPECT_EQ(std::string(manager.Files()[0].Path()), deepest);
  EXPECT_EQ(manager.TotalBytes(), 20000u);
  manager.SetCallback(GoOn);
  manager.Run();
  EXPECT_EQ(ListFolder(scratch), Names{});
  ASSERT_EQ(os.sweeps.size(), 3u);
  for (const auto& sweep : os.sweeps) {
    EXPECT_EQ(sweep.written, 20000u);
    EXPECT_TRUE(sweep.flushed);
  }
}

// What a small file costs in calls of the real backend: a folder of 100 small files erased,
// the calls the engine makes counted by a layer over Win32Platform (the same layer counts them
// on the fake). C: is a network drive here: no cover file is made, so fewer calls than on a
// local volume. Each call is a round trip to the Wine server or more.
TEST_F(TreeTest, ASmallFileTakesAFewDozenCallsOfTheRealBackend) {
  constexpr int kFiles = 100;
  const std::string d = scratch + "\\photos";
  MakeDirectory(d);
  for (int i = 0; i < kFiles; ++i) WriteFile(d + "\\photo-" + std::to_string(i) + ".jpg", 4096, 'p');
  Win32Platform real;
  testing::CountingPlatform counting(real);
  ShreddingManager manager(counting);
  manager.AddItem(d.c_str(), true);
  const double collection = static_cast<double>(counting.FileSystemCalls()) / kFiles;
  counting.Reset();
  manager.SetCallback(GoOn);
  manager.Run();
  const double run = static_cast<double>(counting.FileSystemCalls()) / kFiles;
  EXPECT_EQ(ListFolder(scratch), Names{});
  std::printf("per file: %.1f calls to collect, %.1f to erase\n  %s\n", collection, run,
              counting.Breakdown(kFiles).c_str());
  EXPECT_LE(collection + run, 36.0);
}

}  // namespace
}  // namespace varnolt
