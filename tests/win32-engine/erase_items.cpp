// Erases the items it is given with the real engine and backend, and prints what happened, for
// the scripts that check drives and trees from the Linux side (and for the benchmark).
//
//   erase_items [options] ITEM...
//     --volume L:TOKEN  drive L may be cleaned: its root must hold VARNOLT-TEST-VOLUME with TOKEN
//     --stop-at N       the callback answers stop to report N (0 = the first)
//     --hang-at N       at report N print HANG and wait until killed
//     --watch-fill L    at every report, note the size of L:\VARNOLT.TMP
//     --quiet           leave out the name operations
//     --random-fill NAME  draw the random sweeps' blocks with that fill routine (the benchmark)
//     --hang-in-records  print HANG and wait until killed at the first report of the records'
//                       part of a drive's cleaning (past 95 % of the drive)
//     --refuse-root-files  the drives' roots take no new file (access denied), as a standard
//                       user's C:\ does: a layer over the real backend refuses them
//
// Prints the name operations, the sweeps, then one line "left PATH REASON bytes=N" for each
// item not erased (REASON a number of LeftBecause, or "not-ours").
//
// A one-letter item is run only when --volume vouches for it, and never for C or Z: those are
// this machine's own disk under Wine. Exit status 0 after the run, 2 for bad usage, 3 when a
// drive is refused (nothing is erased then).
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/Random.h"
#include "engine/ShreddingManager.h"
#include "traced_platform.h"

// <windows.h> defines GetFreeSpace(w) as a macro: drop it after the engine's headers.
#include <windows.h>
#undef GetFreeSpace

namespace {

using varnolt::testing::TracedPlatform;

constexpr std::uint64_t kLargestTestVolume = 2ull << 30;

struct Options {
  std::map<char, std::string> tokens;
  long stopAt = -1;
  long hangAt = -1;
  char watchFill = 0;
  bool quiet = false;
  std::string randomFill;
  bool hangInRecords = false;
  bool refuseRootFiles = false;
  std::vector<std::string> items;
};

Options options;
long reportCount = 0;
float lastItem = 0, lastOverall = 0;
std::int32_t lastCount = 0, lastDone = 0;
std::uint64_t largestFill = 0;

std::uint8_t Callback(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                      float overallFraction) {
  const long index = reportCount++;
  lastItem = itemFraction;
  lastOverall = overallFraction;
  lastCount = itemCount;
  lastDone = itemsDone;
  if (options.watchFill) {
    const std::string path = std::string(1, options.watchFill) + ":\\VARNOLT.TMP";
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
      const std::uint64_t size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
      if (size > largestFill) largestFill = size;
    }
  }
  if (index == options.hangAt || (options.hangInRecords && itemFraction > 0.951f && itemFraction < 1.0f)) {
    std::printf("HANG\n");
    std::fflush(stdout);
    Sleep(INFINITE);
  }
  return index == options.stopAt ? 0 : 1;
}

// True when drive `letter` is a small volume this test made: the token file proves the mapping.
bool VolumeVouchedFor(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter == 'C' || letter == 'Z') return false;
  auto it = options.tokens.find(letter);
  if (it == options.tokens.end()) return false;
  const std::string root = std::string(1, letter) + ":\\";
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free) || total.QuadPart > kLargestTestVolume) {
    return false;
  }
  const std::string tokenPath = root + "VARNOLT-TEST-VOLUME";
  FILE* file = std::fopen(tokenPath.c_str(), "rb");
  if (!file) return false;
  char text[128] = {};
  const std::size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  std::string found(text, length);
  while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
  return !it->second.empty() && found == it->second;
}

bool ParseArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--volume" && hasValue) {
      const std::string value = argv[++i];
      if (value.size() < 3 || value[1] != ':') return false;
      options.tokens[static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])))] = value.substr(2);
    } else if (argument == "--stop-at" && hasValue) {
      options.stopAt = std::strtol(argv[++i], nullptr, 10);
    } else if (argument == "--hang-at" && hasValue) {
      options.hangAt = std::strtol(argv[++i], nullptr, 10);
    } else if (argument == "--watch-fill" && hasValue) {
      options.watchFill = argv[++i][0];
    } else if (argument == "--random-fill" && hasValue) {
      options.randomFill = argv[++i];
    } else if (argument == "--hang-in-records") {
      options.hangInRecords = true;
    } else if (argument == "--refuse-root-files") {
      options.refuseRootFiles = true;
    } else if (argument == "--quiet") {
      options.quiet = true;
    } else if (argument.rfind("--", 0) == 0) {
      return false;
    } else {
      options.items.push_back(argument);
    }
  }
  return !options.items.empty();
}

// The real backend, with roots that take no new file: "X:\NAME" fails as access denied.
class RootRefusingFiles : public TracedPlatform {
 public:
  varnolt::FileHandle CreateNewDeleteOnClose(const char* path) override {
    const char* slash = std::strrchr(path, '\\');
    if (slash == path + 2 && path[1] == ':') {
      names.push_back({"create-new", path, "", false});
      SetLastError(ERROR_ACCESS_DENIED);
      return varnolt::kInvalidFile;
    }
    return TracedPlatform::CreateNewDeleteOnClose(path);
  }
};

const char* ReasonOf(varnolt::LeftBecause left) {
  static char number[8];
  if (left == varnolt::LeftBecause::kNotOurs) return "not-ours";
  if (left == varnolt::LeftBecause::kNamesInFolders) return "names-in-folders";
  std::snprintf(number, sizeof number, "%d", static_cast<int>(left));
  return number;
}

}  // namespace

int main(int argc, char** argv) {
  if (!ParseArguments(argc, argv)) {
    std::fprintf(stderr, "usage: erase_items [--volume L:TOKEN] [--stop-at N] [--hang-at N] [--hang-in-records] "
                         "[--watch-fill L] [--quiet] [--random-fill NAME] [--refuse-root-files] ITEM...\n");
    return 2;
  }
  for (const std::string& item : options.items) {
    if (item.size() == 1 && !VolumeVouchedFor(item[0])) {
      std::printf("REFUSED drive %s: not a volume this test made\n", item.c_str());
      return 3;
    }
  }

  if (!options.randomFill.empty() && !varnolt::UseRandomFillVariant(options.randomFill.c_str())) {
    std::fprintf(stderr, "no fill routine %s on this processor\n", options.randomFill.c_str());
    return 2;
  }

  TracedPlatform traced;
  RootRefusingFiles refusing;
  TracedPlatform& platform = options.refuseRootFiles ? refusing : traced;
  varnolt::ShreddingManager manager(platform);
  for (const std::string& item : options.items) manager.AddItem(item.c_str(), true);
  std::printf("files=%d directories=%d drives=%d total=%llu\n", manager.FileCount(),
              manager.DirectoryCount(), manager.DriveCount(),
              static_cast<unsigned long long>(manager.TotalBytes()));
  manager.SetCallback(Callback);

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  manager.Run();
  QueryPerformanceCounter(&end);

  for (const std::string& line : platform.storage) std::printf("%s\n", line.c_str());
  if (!options.quiet) {
    for (const auto& name : platform.names) {
      std::printf("%s %s%s%s %s\n", name.kind.c_str(), name.path.c_str(),
                  name.target.empty() ? "" : " -> ", name.target.c_str(), name.ok ? "ok" : "failed");
    }
  }
  for (const auto& sweep : platform.sweeps) {
    std::printf("sweep %s written=%llu short=%d flushed=%d ms=%.1f\n", sweep.path.c_str(),
                static_cast<unsigned long long>(sweep.written), sweep.shortWrite ? 1 : 0,
                sweep.flushed ? 1 : 0, sweep.milliseconds);
  }
  for (const varnolt::ItemOutcome& outcome : manager.Outcomes()) {
    if (outcome.Erased()) continue;
    std::printf("left %s %s bytes=%llu folders=%llu\n", outcome.path.c_str(), ReasonOf(outcome.left),
                static_cast<unsigned long long>(outcome.measuredBytes), static_cast<unsigned long long>(outcome.folders));
  }
  for (const varnolt::FreeSpaceShredder& drive : manager.Drives()) {
    std::printf("names %s not_covered=%llu own=%llu\n", drive.Path(),
                static_cast<unsigned long long>(drive.NamesNotCoveredIn()),
                static_cast<unsigned long long>(drive.OwnFoldersNotCovered()));
  }
  std::printf("reports=%ld last_item=%.6f last_overall=%.6f items_done=%d item_count=%d\n",
              reportCount, lastItem, lastOverall, lastDone, lastCount);
  if (options.watchFill) std::printf("largest_fill=%llu\n", static_cast<unsigned long long>(largestFill));
  std::printf("new_files=%llu new_file_ms=%.1f\n", static_cast<unsigned long long>(platform.newFiles),
              platform.newFileMilliseconds);
  std::printf("elapsed_ms=%.1f\n",
              1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
  return 0;
}
