// Benchmark (not a test): the manager collecting 1,000,000 files on the in-memory platform. It
// prints the memory the collection holds at its peak per file (every allocation made while
// collecting, counted at the size the allocator really gives, less what of it was freed: see
// counting_allocator.h; the fake's tree, made beforehand, is not counted) and the
// seconds it takes, for 250,000, 500,000 and 1,000,000 files, so that the time per file shows
// whether collecting stays linear. Goals: at most 350 bytes per file, time per file flat. The
// processor time is printed beside the elapsed time, and the linearity is judged on it: on a
// machine shared with other work the elapsed time measures the others too.
//
//   collect_bench [FILES]   (default 1000000; the two smaller runs are FILES/4 and FILES/2)
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/counting_allocator.h"
#include "bench/fake_archive.h"
#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"

namespace {

struct Figures {
  double bytesPerFile;
  double seconds;
  double processorSeconds;
  int collected;
};

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The tree of fake_archive.h, collected.
Figures Collect(int files) {
  varnolt::FakePlatform os;
  os.SetRecordCalls(false);
  const std::string top = bench::MakeArchive(os, files, 1);

  auto* manager = new varnolt::ShreddingManager(os);
  bench::StartCounting();
  const auto start = std::chrono::steady_clock::now();
  const double processorStart = ProcessorSeconds();
  manager->AddItem(top.c_str(), true);
  const double processorEnd = ProcessorSeconds();
  const auto end = std::chrono::steady_clock::now();
  bench::StopCounting();
  const int collected = manager->FileCount();
  delete manager;
  return Figures{static_cast<double>(bench::PeakBytes()) / files, std::chrono::duration<double>(end - start).count(),
                 processorEnd - processorStart, collected};
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 1000000;
  if (files < 4) return 2;
  bool met = true;
  double firstPerFile = 0;
  for (const int count : {files / 4, files / 2, files}) {
    const Figures figures = Collect(count);
    const double microsPerFile = figures.processorSeconds * 1e6 / count;
    if (firstPerFile == 0) firstPerFile = microsPerFile;
    std::printf("%8d files: %6.1f bytes per file at the peak, %6.2f s elapsed, %6.2f s processor, %5.2f us per file\n",
                count, figures.bytesPerFile, figures.seconds, figures.processorSeconds, microsPerFile);
    if (figures.collected != count) {
      std::printf("  collected %d, not %d\n", figures.collected, count);
      met = false;
    }
    if (count == files) {
      met = met && figures.bytesPerFile <= 350;
      // Linear: the time per file at four times the count stays within twice the first.
      const bool linear = microsPerFile <= 2 * firstPerFile;
      std::printf("goal: at most 350 bytes per file: %s; linear time (us per file at 4x within 2x): %s\n",
                  figures.bytesPerFile <= 350 ? "met" : "NOT MET", linear ? "met" : "NOT MET");
      met = met && linear;
    }
  }
  return met ? 0 : 1;
}
