// The text of the box that ends a run where anything was left: a first line, then one line
// per item left with its reason, then how many more there are.
#pragma once

#include <string>
#include <vector>

#include "engine/ShreddingManager.h"

namespace varnolt {

inline constexpr std::size_t kReportedItemLines = 15;

// The reason as the box words it, Windows-1252.
std::string ReasonText(const ItemOutcome& outcome);

// UTF-8 (paths are taken as they are, the program's texts converted); empty when everything
// was erased. After a stop (`stopped`), the first line says so and how many items the run never
// reached; those are not listed one by one.
std::string EndOfRunReport(const std::vector<ItemOutcome>& outcomes, bool stopped);

}  // namespace varnolt
