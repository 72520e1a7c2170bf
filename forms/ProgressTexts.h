// What the progress windows show for a report: whole percentages and the texts of the labels and
// of the application title. Windows-1252 bytes; no Windows header, tested natively.
#pragma once

#include <cstdint>
#include <string>

namespace varnolt {

// A fraction as a whole percentage: f x 100 in double precision, truncated toward zero
// (0.999 gives 99). Values beyond the 32-bit range saturate; NaN gives 0.
std::int32_t PercentOf(float fraction);
// The share of items done, truncated, with both counts taken as unsigned; 0 when there are none.
std::int32_t ItemsPercent(std::int32_t itemsDone, std::int32_t itemCount);

std::string PercentText(std::int32_t percent);                              // 37%
std::string TotalText(std::int32_t percent);                                // Total : 37%
std::string CurrentFileText(std::int32_t percent);                          // Fichier courant : 37%
std::string ShreddedFilesText(std::int32_t itemsDone, std::int32_t itemCount);  // Fichiers broy\xE9s : 3/12
std::string RunTitle(std::int32_t percent);                                 // Broyage : 37%
// The window's caption once "Annuler" was pressed, while the run ends the call it is in.
inline constexpr const char* kStoppingCaption = "Arr\xEAt en cours...";

}  // namespace varnolt
