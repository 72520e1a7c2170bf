// The progress members shared by the shredders that write (files and drive free space), and
// the throttled report through which a run learns whether to go on.
#pragma once

#include <cstdint>

#include "engine/GenericShredder.h"

namespace varnolt {

class ShreddingManager;

class ReportingShredder : public GenericShredder {
 public:
  using GenericShredder::GenericShredder;

  // The manager calls this on the copy in its list; until then no report is made.
  void SetManager(ShreddingManager* manager) { this->manager = manager; }

  // `done`: bytes written by this run over all sweeps; `size`: bytes of one sweep. Reports to
  // the manager at most once per `reportInterval` and takes its answer into `proceed`.
  void ReportProgress(std::uint64_t done, std::uint64_t size);

  bool Proceed() const { return proceed != 0; }
  std::uint32_t LastReportTick() const { return lastReportTick; }

 protected:
  ShreddingManager* manager = nullptr;
  std::uint8_t proceed = 1;
  std::uint16_t passCount = 1;
  std::uint8_t pattern = 0xAA;
  std::uint32_t reportInterval = 30;  // milliseconds
  std::uint32_t lastReportTick = 0;
};

}  // namespace varnolt
