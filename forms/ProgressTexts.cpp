#include "forms/ProgressTexts.h"

#include <cmath>

namespace varnolt {
namespace {

std::int32_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t PercentOf(float fraction) { return Truncate(static_cast<double>(fraction) * 100.0); }

std::int32_t ItemsPercent(std::int32_t itemsDone, std::int32_t itemCount) {
  const auto count = static_cast<std::uint32_t>(itemCount);
  if (count == 0) return 0;
  // Multiplying first keeps the quotient exact where it is whole: 29 of 100 gives 29, not 28.
  return Truncate(static_cast<double>(static_cast<std::uint32_t>(itemsDone)) * 100.0 / count);
}

std::string PercentText(std::int32_t percent) { return std::to_string(percent) + "%"; }

std::string TotalText(std::int32_t percent) { return "Total : " + PercentText(percent); }

std::string CurrentFileText(std::int32_t percent) { return "Fichier courant : " + PercentText(percent); }

std::string ShreddedFilesText(std::int32_t itemsDone, std::int32_t itemCount) {
  return "Fichiers broy\xE9s : " + std::to_string(static_cast<std::uint32_t>(itemsDone)) + "/" +
         std::to_string(static_cast<std::uint32_t>(itemCount));
}

std::string RunTitle(std::int32_t percent) { return "Broyage : " + PercentText(percent); }

}  // namespace varnolt
