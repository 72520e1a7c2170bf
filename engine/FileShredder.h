// Destroys one file in place: three sweeps (pattern, complement, pseudo-random data), each
// forced out to the disk, then a random decimal name in its directory, then deletion.
#pragma once

#include <cstdint>

#include "engine/ReportingShredder.h"
#include "platform/OpenItem.h"

namespace varnolt {

class FileShredder : public ReportingShredder {
 public:
  static constexpr std::uint32_t kBlockSize = 8192;

  // How an overwrite ended. Only a completed overwrite lets the file be renamed and deleted,
  // and a link, which holds no data of its own and is never opened: writing through it would
  // overwrite its target, outside what was chosen. A file left alone on purpose (Left() says
  // why) is neither written, renamed nor deleted.
  enum class OverwriteResult { kCompleted, kStopped, kFailed, kLink, kLeftAlone };

  // `path`: full path of an existing file. Reseeds the program's generator from the clock.
  FileShredder(Platform& platform, const char* path);

  void Shred() override;
  // The sweeps alone; the file is closed afterwards, whatever the result.
  OverwriteResult Overwrite();

  // The file's size from its attributes; 0 when they cannot be read.
  std::uint64_t GetSize() const;
  // The size the run's total counted for the file, when it was collected.
  void SetCountedSize(std::uint64_t size) { countedSize = size; }
  std::uint64_t CountedSize() const { return countedSize; }

  // The random block is drawn afresh before every write of the random sweep, by the sweep loop.
  void FillPatternBlocks();

  // The module-wide blocks, shared by every file shredder.
  static const std::uint8_t* PatternBlock();
  static const std::uint8_t* ComplementBlock();
  static const std::uint8_t* RandomBlock();

 private:
  std::uint64_t countedSize = 0;
  OverwriteResult LeaveAlone(LeftBecause reason);
  // The sweeps through `file`, which holds the file opened to erase it: still open only when
  // they completed.
  OverwriteResult Overwrite(OpenItem& file);
};

}  // namespace varnolt
