// File shredding against the real Win32 backend, on real files in a scratch folder under C:
// (run under Wine). What the in-memory platform cannot show is checked here: what the disk
// holds after each sweep, the names the file takes on the disk, and how the system's own
// sharing and attribute rules meet the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "engine/FileShredder.h"
#include "engine/Random.h"
#include "engine/ShreddingManager.h"
#include "platform/Win32Platform.h"

// After the engine's headers: <windows.h> defines GetFreeSpace as a macro.
#include <windows.h>

#include "tests/wine_support/wine_support.h"

namespace varnolt {
namespace {

using Bytes = std::vector<std::uint8_t>;
using wine_testing::ListFolder;
using wine_testing::MakeScratchFolder;
using wine_testing::RemoveTree;

// --- Files on the disk ---------------------------------------------------------------------

void WriteWholeFile(const std::string& path, const Bytes& content, DWORD attributes = 0) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  DWORD written = 0;
  const BOOL ok = content.empty() ||
                  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == content.size()) << path;
  if (attributes != 0) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
  }
}

// The file's bytes as the system reads them back; fails the test if it cannot be read.
Bytes ReadWholeFile(const std::string& path) {
  Bytes content;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  if (file == INVALID_HANDLE_VALUE) return content;
  std::uint8_t block[65536];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) {
    content.insert(content.end(), block, block + got);
  }
  CloseHandle(file);
  return content;
}

bool AllBytesAre(const Bytes& bytes, std::uint8_t value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

std::size_t CountOf(const Bytes& bytes, std::uint8_t value) {
  return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), value));
}

// A file's attributes without the ones the system adds by itself.
DWORD AttributesOf(const std::string& path) {
  return GetFileAttributesA(path.c_str()) &
         (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// --- The progress callback -----------------------------------------------------------------

// The manager takes a plain function, so what it answers is steered through this one state.
struct CallbackState {
  std::vector<float> fractions;  // itemFraction of every report received
  float stopAt = 2.0f;           // the first report at or beyond this fraction answers stop
  bool slow = false;             // a window slower than the throttle: no report is dropped
} callbackState;

std::uint8_t SteeringCallback(float itemFraction, std::int32_t, std::int32_t, float) {
  callbackState.fractions.push_back(itemFraction);
  if (callbackState.slow) {
    // Waits until the clock the throttle reads has moved on: under load, a fixed sleep was
    // seen to leave Wine's tick count short of the interval.
    const DWORD start = GetTickCount();
    for (int i = 0; i < 1000 && GetTickCount() - start < 31; ++i) Sleep(5);
  }
  return itemFraction >= callbackState.stopAt - 1e-6f ? 0 : 1;
}

// --- The fixture ---------------------------------------------------------------------------

class Win32FileShreddingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    callbackState = CallbackState{};
    dir = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(dir.empty());
  }

  void TearDown() override { RemoveTree(dir); }

  std::string PathOf(const std::string& name) const { return dir + "\\" + name; }

  // The names in the scratch folder, as the system lists them.
  std::vector<std::string> List() const { return ListFolder(dir); }

  // One run of a manager holding the given files, as the program makes it.
  void Run(const std::vector<std::string>& paths) {
    ShreddingManager manager(os);
    for (const std::string& path : paths) manager.AddFile(path.c_str());
    manager.SetCallback(SteeringCallback);
    manager.Run();
  }

  Win32Platform os;
  std::string dir;
};

// Stopping the run at the last report of each sweep shows what that sweep left on the disk.
TEST_F(Win32FileShreddingTest, EachSweepReachesTheDiskInTurn) {
  const std::size_t size = 3 * FileShredder::kBlockSize + 100;  // 4 blocks a sweep
  const Bytes original(size, 0x11);
  const std::string path = PathOf("report.txt");

  for (int sweep = 1; sweep <= 3; ++sweep) {
    SCOPED_TRACE(sweep);
    WriteWholeFile(path, original);
    callbackState = CallbackState{};
    callbackState.slow = true;
    callbackState.stopAt = sweep / 3.0f;
    Run({path});

    // The stop came at the end of the intended sweep, every block having been reported.
    ASSERT_EQ(callbackState.fractions.size(), 4u * sweep);
    EXPECT_NEAR(callbackState.fractions.back(), sweep / 3.0f, 1e-6);
    // A stopped file stays under its name, at its length.
    EXPECT_EQ(List(), std::vector<std::string>{"report.txt"});
    const Bytes content = ReadWholeFile(path);
    ASSERT_EQ(content.size(), size);
    if (sweep == 1) {
      EXPECT_TRUE(AllBytesAre(content, 0xAA));
    } else if (sweep == 2) {
      EXPECT_TRUE(AllBytesAre(content, 0x55));
    } else {
      // Pseudo-random data: each fixed value turns up about once in 256 bytes.
      EXPECT_LT(CountOf(content, 0xAA), size / 64);
      EXPECT_LT(CountOf(content, 0x55), size / 64);
      EXPECT_LT(CountOf(content, 0x11), size / 64);
      // Each block is drawn afresh.
      EXPECT_FALSE(std::equal(content.begin(), content.begin() + FileShredder::kBlockSize,
                              content.begin() + FileShredder::kBlockSize));
    }
    ASSERT_TRUE(DeleteFileA(path.c_str()));
  }
}

// Watches the scratch folder's names while a whole run goes through: the file must leave
// under a decimal name of its own folder, and be removed under that name.
TEST_F(Win32FileShreddingTest, FileIsRenamedToADecimalNameInItsFolderThenDeleted) {
  const std::string path = PathOf("report.txt");
  WriteWholeFile(path, Bytes(20000, 0x33));

  const HANDLE watched = CreateFileA(dir.c_str(), FILE_LIST_DIRECTORY,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                     nullptr);
  ASSERT_NE(watched, INVALID_HANDLE_VALUE);
  OVERLAPPED overlapped = {};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  alignas(DWORD) static std::uint8_t changes[16384];
  auto watch = [&] {
    ResetEvent(overlapped.hEvent);
    return ReadDirectoryChangesW(watched, changes, sizeof changes, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME,
                                 nullptr, &overlapped, nullptr) != FALSE;
  };
  ASSERT_TRUE(watch());

  Run({path});
  EXPECT_TRUE(List().empty());

  // (action, name) of each change, in order, until the removal shows or nothing more comes.
  std::vector<std::pair<DWORD, std::string>> events;
  bool removed = false;
  while (!removed && WaitForSingleObject(overlapped.hEvent, 2000) == WAIT_OBJECT_0) {
    DWORD bytes = 0;
    if (!GetOverlappedResult(watched, &overlapped, &bytes, FALSE) || bytes == 0) break;
    for (DWORD offset = 0;;) {
      const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(changes + offset);
      std::string name;
      for (DWORD i = 0; i < info->FileNameLength / sizeof(WCHAR); ++i) {
        name += static_cast<char>(info->FileName[i]);
      }
      events.emplace_back(info->Action, name);
      removed = removed || info->Action == FILE_ACTION_REMOVED;
      if (info->NextEntryOffset == 0) break;
      offset += info->NextEntryOffset;
    }
    if (!removed && !watch()) break;
  }
  CancelIo(watched);
  CloseHandle(overlapped.hEvent);
  CloseHandle(watched);

  // Two names beside its own (alone in its folder: sorting first, as long as its own), then
  // the number, then the removal.
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0], std::make_pair(DWORD{FILE_ACTION_RENAMED_OLD_NAME}, std::string("report.txt")));
  for (int step = 0; step < 3; ++step) {
    EXPECT_EQ(events[1 + 2 * step].first, DWORD{FILE_ACTION_RENAMED_NEW_NAME});
    if (step > 0) EXPECT_EQ(events[2 * step], std::make_pair(DWORD{FILE_ACTION_RENAMED_OLD_NAME}, events[2 * step - 1].second));
  }
  for (int beside : {1, 3}) {
    EXPECT_TRUE(std::regex_match(events[beside].second, std::regex(R"(![a-z]{9})"))) << events[beside].second;
  }
  EXPECT_TRUE(std::regex_match(events[5].second, std::regex(R"([1-9][0-9]{0,9}|0)"))) << events[5].second;
  EXPECT_LE(std::stoull(events[5].second), 2147483647ull);
  EXPECT_EQ(events[6], std::make_pair(DWORD{FILE_ACTION_REMOVED}, events[5].second));
}

// The random name is taken with the system's move, which never replaces an existing item.
TEST_F(Win32FileShreddingTest, RandomNameTakenOnlyWhenFree) {
  const std::string path = PathOf("letter.doc");
  WriteWholeFile(path, Bytes(10, 0x01));
  FileShredder shredder(os, path.c_str());

  SeedRandom(4242);
  const std::string drawn = std::to_string(NextRandom());
  WriteWholeFile(PathOf(drawn), Bytes(10, 0x02));

  SeedRandom(4242);
  shredder.RenameRandomly();
  EXPECT_EQ(std::string(shredder.Path()), path);
  EXPECT_EQ(ReadWholeFile(path), Bytes(10, 0x01));
  EXPECT_EQ(ReadWholeFile(PathOf(drawn)), Bytes(10, 0x02));

  ASSERT_TRUE(DeleteFileA(PathOf(drawn).c_str()));
  SeedRandom(4242);
  shredder.RenameRandomly();
  EXPECT_EQ(std::string(shredder.Path()), PathOf(drawn));
  EXPECT_EQ(List(), std::vector<std::string>{drawn});
  EXPECT_EQ(ReadWholeFile(PathOf(drawn)), Bytes(10, 0x01));
}

// True when this process cannot open a read-only file for writing. Wine gives the read-only
// attribute to the Unix write bits, which the superuser ignores.
bool ReadOnlyIsEnforced(const std::string& probe) {
  WriteWholeFile(probe, Bytes(1, 0), FILE_ATTRIBUTE_READONLY);
  const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool refused = file == INVALID_HANDLE_VALUE;
  if (!refused) CloseHandle(file);
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(probe.c_str());
  return refused;
}

// Read-only, hidden and system files are overwritten, not merely deleted: stopped after the
// first sweep, each holds the pattern and has its attributes back; a whole run removes them.
TEST_F(Win32FileShreddingTest, ReadOnlyHiddenAndSystemFilesAreOverwrittenThenDeleted) {
  const bool enforced = ReadOnlyIsEnforced(PathOf("probe"));
  if (std::getenv("VARNOLT_EXPECT_READONLY_ENFORCED") != nullptr) {
    ASSERT_TRUE(enforced) << "this run is meant to prove the read-only case, but this user can "
                             "write to read-only files";
  }
  RecordProperty("read_only_enforced", enforced ? "yes" : "no");

  const DWORD cases[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
  std::vector<std::string> paths;
  for (DWORD attributes : cases) {
    SCOPED_TRACE(attributes);
    const std::string path = PathOf("guarded" + std::to_string(attributes));
    WriteWholeFile(path, Bytes(5000, 0x11), attributes);
    // Wine run by an ordinary user keeps only the read-only bit of the three together (it makes
    // the file read-only before it stores the others): compare with what the system holds.
    const DWORD before = AttributesOf(path);
    ASSERT_NE(before, 0u);
    callbackState = CallbackState{};
    callbackState.stopAt = 1 / 3.0f;  // one block a sweep: its report is the sweep's last
    Run({path});
    ASSERT_EQ(callbackState.fractions.size(), 1u);
    EXPECT_TRUE(AllBytesAre(ReadWholeFile(path), 0xAA));
    EXPECT_EQ(AttributesOf(path), before);
    paths.push_back(path);
  }

  callbackState = CallbackState{};
  Run(paths);
  EXPECT_TRUE(List().empty());
}

TEST_F(Win32FileShreddingTest, EmptyFileIsRemovedWithoutAnyReport) {
  const std::string path = PathOf("empty.txt");
  WriteWholeFile(path, Bytes(), FILE_ATTRIBUTE_HIDDEN);
  callbackState.stopAt = 0.0f;  // any report would stop the run
  Run({path});
  EXPECT_TRUE(callbackState.fractions.empty());
  EXPECT_TRUE(List().empty());
}

// A file another program holds open without sharing cannot be overwritten: it must be left
// exactly as it was, under its name and with its attributes, and not deleted unerased.
TEST_F(Win32FileShreddingTest, FileHeldOpenWithoutSharingIsLeftUntouched) {
  const std::string path = PathOf("busy.db");
  const Bytes original(3 * FileShredder::kBlockSize, 0x42);
  WriteWholeFile(path, original, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  Run({path, path});  // twice: the first failure must not make the second attempt delete it
  CloseHandle(holder);

  EXPECT_TRUE(callbackState.fractions.empty());
  EXPECT_EQ(List(), std::vector<std::string>{"busy.db"});
  EXPECT_EQ(AttributesOf(path), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY});
  EXPECT_EQ(ReadWholeFile(path), original);

  // Released, it is shredded like any other.
  Run({path});
  EXPECT_TRUE(List().empty());
}

// Several files of the sizes around the block size go in one run; none is left and nothing
// else in the folder is touched.
TEST_F(Win32FileShreddingTest, OneRunRemovesEveryFileGivenAndNothingElse) {
  const std::size_t sizes[] = {1, 8191, 8192, 8193, 100000};
  std::vector<std::string> paths;
  for (std::size_t size : sizes) {
    paths.push_back(PathOf("file" + std::to_string(size) + ".bin"));
    WriteWholeFile(paths.back(), Bytes(size, 0x77));
  }
  WriteWholeFile(PathOf("keep.txt"), Bytes(8192, 0x77));

  Run(paths);
  EXPECT_EQ(List(), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(ReadWholeFile(PathOf("keep.txt")), Bytes(8192, 0x77));
}

}  // namespace
}  // namespace varnolt
