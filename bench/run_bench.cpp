// Benchmark (not a test): a whole run of the manager on the in-memory platform, for 250,000 and
// 1,000,000 files (the tree of fake_archive.h: folders of 1,000): the folder collected
// (AddItem), erased (Run: three sweeps, the renames, the cover files, the folders removed), and
// its outcomes taken (TakeOutcomes, as the program does at its end). It prints the memory held
// at the peak of the whole run per file (every allocation made from the collection's start to
// the outcomes' end, counted at the size the allocator really gives, less what of it was freed:
// counting_allocator.h; the fake's own tree, made beforehand, is not counted, while what the
// fake allocates during the run is) and the seconds, elapsed and of processor time, in all;
// then each step's own peak (what is held at its start counts in it) and processor time. Goal:
// at most 350 bytes per file at the peak. The processor time is the one to compare: on a
// machine shared with other work the elapsed time measures the others too. Each run is
// checked: every outcome erased, and the folder gone from the fake.
//
//   cmake --build build/native --target run_bench && build/native/bench/run_bench [--copy] [FILES]
//   (default 1000000; the smaller run is FILES/4). With --copy the outcomes are copied
//   (Outcomes: every path held twice for a while) rather than taken.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/counting_allocator.h"
#include "bench/fake_archive.h"
#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"

namespace {

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Figures {
  double bytesPerFile = 0;
  double seconds = 0;
  double processorSeconds = 0;
  double collectSeconds = 0, runSeconds = 0, outcomesSeconds = 0;  // processor time of each step
  double collectPeak = 0, runPeak = 0, outcomesPeak = 0;  // bytes per file at each step's peak
  bool erased = false;
};

Figures Run(int files, bool copy) {
  varnolt::FakePlatform os;
  os.SetRecordCalls(false);
  const std::string top = bench::MakeArchive(os, files, 1);
  const int folders = (files + bench::kFilesPerFolder - 1) / bench::kFilesPerFolder + 1;

  auto* manager = new varnolt::ShreddingManager(os);
  Figures figures;
  bench::StartCounting();
  const double start = Seconds();
  const double processorStart = ProcessorSeconds();
  manager->AddItem(top.c_str(), true);
  const double collected = ProcessorSeconds();
  long long peak = bench::PeakBytes();
  figures.collectPeak = static_cast<double>(peak) / files;
  bench::ResetPeak();
  manager->Run();
  const double run = ProcessorSeconds();
  peak = std::max(peak, bench::PeakBytes());
  figures.runPeak = static_cast<double>(bench::PeakBytes()) / files;
  bench::ResetPeak();
  const std::vector<varnolt::ItemOutcome> outcomes = copy ? manager->Outcomes() : manager->TakeOutcomes();
  const double processorEnd = ProcessorSeconds();
  figures.seconds = Seconds() - start;
  bench::StopCounting();
  peak = std::max(peak, bench::PeakBytes());
  figures.outcomesPeak = static_cast<double>(bench::PeakBytes()) / files;
  figures.bytesPerFile = static_cast<double>(peak) / files;
  figures.processorSeconds = processorEnd - processorStart;
  figures.collectSeconds = collected - processorStart;
  figures.runSeconds = run - collected;
  figures.outcomesSeconds = processorEnd - run;

  int erased = 0;
  for (const varnolt::ItemOutcome& outcome : outcomes) erased += outcome.Erased() ? 1 : 0;
  figures.erased = erased == files + folders && static_cast<int>(outcomes.size()) == erased && !os.Exists(top);
  if (!figures.erased) {
    std::printf("  FAILED: %d of %zu outcomes erased, %d expected; the folder is %s\n", erased, outcomes.size(),
                files + folders, os.Exists(top) ? "still there" : "gone");
  }
  delete manager;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const bool copy = argc > 1 && std::string(argv[1]) == "--copy";
  const int next = copy ? 2 : 1;
  const int files = argc > next ? std::atoi(argv[next]) : 1000000;
  if (files < 4 || argc > next + 1) return 2;
  std::printf("outcomes %s\n", copy ? "copied (Outcomes)" : "taken (TakeOutcomes)");
  bool met = true;
  for (const int count : {files / 4, files}) {
    const Figures figures = Run(count, copy);
    std::printf("%8d files: %6.1f bytes per file at the peak, %6.2f s elapsed, %6.2f s processor, %5.2f us per file"
                "\n          collection %6.1f B a file at its peak, %6.2f s processor; run %6.1f B, %6.2f s;"
                " outcomes %6.1f B, %6.2f s\n",
                count, figures.bytesPerFile, figures.seconds, figures.processorSeconds,
                figures.processorSeconds * 1e6 / count, figures.collectPeak, figures.collectSeconds, figures.runPeak,
                figures.runSeconds, figures.outcomesPeak, figures.outcomesSeconds);
    met = met && figures.erased;
    if (count == files) {
      std::printf("goal: at most 350 bytes per file at the peak of the whole run: %s\n",
                  figures.bytesPerFile <= 350 ? "met" : "NOT MET");
      met = met && figures.bytesPerFile <= 350;
    }
  }
  return met ? 0 : 1;
}
