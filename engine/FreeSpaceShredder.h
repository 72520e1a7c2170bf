// Cleans the free space of one drive without touching its files: a fill file in the drive's
// root, grown over all the free space, swept three times (pattern, complement, pseudo-random
// data) with a flush after each sweep, and deleted by the system when it is closed.
//
// <windows.h> defines a function-like macro GetFreeSpace(w) that would rewrite the member of
// that name: a file that includes both must #undef GetFreeSpace after <windows.h>.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ReportingShredder.h"

namespace varnolt {

class FreeSpaceShredder : public ReportingShredder {
 public:
  static constexpr std::uint32_t kChunkSize = 1048576;
  static constexpr const char* kFillFileName = "VARNOLT.TMP";

  // `root`: the drive's root, three characters such as "E:\".
  explicit FreeSpaceShredder(Platform& platform, const char* root);

  // The whole cleaning. Copies are made only outside a run, when no buffer is held, so the
  // memberwise copy shares nothing; the destructor has nothing to release for the same reason.
  void Shred() override;

  // Total free bytes of the volume (not the caller's quota share); 0 when unknown.
  std::uint64_t GetFreeSpace() const;

  const char* FillPath() const { return fillPath.c_str(); }
  bool HoldsBuffers() const { return patternBuffer || complementBuffer || randomBuffer; }

 private:
  bool AllocateBuffers();
  void ReleaseBuffers();
  void FillPatternBuffers();

  std::string fillPath;
  std::uint8_t* patternBuffer = nullptr;
  std::uint8_t* complementBuffer = nullptr;
  std::uint8_t* randomBuffer = nullptr;
};

}  // namespace varnolt
