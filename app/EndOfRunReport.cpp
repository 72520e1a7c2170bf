#include "app/EndOfRunReport.h"

#include <cstdio>

#include "app/SizeText.h"
#include "app/Texts.h"
#include "common/TextEncoding.h"

namespace varnolt {
namespace {

std::string Size(std::uint64_t bytes) {
  char text[64];
  SizeText(bytes, text, sizeof text);
  text[sizeof text - 1] = '\0';
  return text;
}

}  // namespace

std::string ReasonText(const ItemOutcome& outcome) {
  switch (outcome.left) {
    case LeftBecause::kNotLeft: return {};
    case LeftBecause::kHardLink: return texts::kLeftHardLink;
    case LeftBecause::kUnknownReparsePoint: return texts::kLeftReparsePoint;
    case LeftBecause::kFolderNotEmpty: return texts::kLeftFolderNotEmpty;
    case LeftBecause::kNotRemoved: return texts::kLeftNotRemoved;
    case LeftBecause::kInUse: return texts::kLeftInUse;
    case LeftBecause::kAccessDenied: return texts::kLeftAccessDenied;
    case LeftBecause::kGone: return texts::kLeftGone;
    case LeftBecause::kWriteFailed: return texts::kLeftWriteFailed;
    case LeftBecause::kDiskFull: return texts::kLeftDiskFull;
    case LeftBecause::kStopped: return texts::kLeftStopped;
    case LeftBecause::kNotReached: return texts::kLeftNotReached;
    case LeftBecause::kNameNotSupported: return texts::kLeftNameNotSupported;
    case LeftBecause::kDriveNotSupported: return texts::kLeftDriveNotSupported;
    case LeftBecause::kFillFileNotCreated: return texts::kLeftFillFileNotCreated;
    case LeftBecause::kReplaced: return texts::kLeftReplaced;
    case LeftBecause::kDataNotHere: return texts::kLeftDataNotHere;
    case LeftBecause::kNotOurs: {
      char text[256];
      std::snprintf(text, sizeof text, texts::kLeftNotOursFormat, Size(outcome.measuredBytes).c_str());
      return text;
    }
    case LeftBecause::kNamesInFolders: {
      char text[256];
      std::snprintf(text, sizeof text, texts::kLeftNamesInFoldersFormat, static_cast<unsigned long long>(outcome.folders));
      return text;
    }
    case LeftBecause::kFreeSpaceInPart: {
      char text[256];
      std::snprintf(text, sizeof text, texts::kLeftFreeSpaceInPartFormat, Size(outcome.coveredBytes).c_str(),
                    Size(outcome.measuredBytes).c_str());
      return text;
    }
  }
  return texts::kLeftNotRemoved;
}

std::string EndOfRunReport(const std::vector<ItemOutcome>& outcomes, bool stopped) {
  std::vector<const ItemOutcome*> listed;
  int notReached = 0;
  for (const ItemOutcome& outcome : outcomes) {
    if (outcome.left == LeftBecause::kNotReached) {
      ++notReached;
    } else if (!outcome.Erased()) {
      listed.push_back(&outcome);
    }
  }
  if (listed.empty() && notReached == 0) return {};

  char line[128];
  std::string report;
  if (stopped) {
    report = Utf8FromWindows1252(texts::kRunStopped);
    if (notReached > 0) {
      std::snprintf(line, sizeof line, texts::kNotReachedFormat, notReached);
      report += "\n" + Utf8FromWindows1252(line);
    }
  } else {
    report = Utf8FromWindows1252(texts::kItemsLeft);
  }
  for (std::size_t index = 0; index < listed.size() && index < kReportedItemLines; ++index) {
    report += "\n" + listed[index]->path + Utf8FromWindows1252(texts::kItemLineSeparator) +
              Utf8FromWindows1252(ReasonText(*listed[index]));
  }
  if (listed.size() > kReportedItemLines) {
    std::snprintf(line, sizeof line, texts::kMoreItemsFormat, static_cast<int>(listed.size() - kReportedItemLines));
    report += "\n" + Utf8FromWindows1252(line);
  }
  return report;
}

}  // namespace varnolt
