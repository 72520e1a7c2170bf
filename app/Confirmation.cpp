#include "app/Confirmation.h"

#include <cstdio>
#include <cstring>

#include "app/Texts.h"

namespace varnolt {

std::string LimitParagraphs(const OverwriteLimits& limits) {
  std::string text;
  if (limits.itemsOnFlash || limits.freeSpaceOnFlash) {
    text += "\n\n";
    text += texts::kLimitOnFlash;
    if (limits.freeSpaceOnFlash) text += texts::kLimitFreeSpaceOnFlash;
  }
  if (limits.itemsUnderShadowCopies || limits.freeSpaceUnderShadowCopies) {
    text += "\n\n";
    text += texts::kLimitShadowCopiesStart;
    text += limits.itemsUnderShadowCopies ? texts::kLimitShadowCopiesOfItems : texts::kLimitShadowCopiesOfDeleted;
    if (limits.freeSpaceUnderShadowCopies) text += texts::kLimitShadowCopiesRestorePoints;
    text += '.';
  }
  if (limits.keptOnline || limits.dataNotHere) {
    text += "\n\n";
    text += texts::kLimitKeptOnline;
    if (limits.dataNotHere) text += texts::kLimitDataNotHere;
  }
  if (limits.storedAside) {
    text += "\n\n";
    text += texts::kLimitStoredAside;
  }
  return text;
}

void ConfirmationText(std::int32_t directoryCount, std::int32_t fileCount, std::int32_t driveCount,
                      const char* sizeText, char* buffer, std::size_t capacity, const OverwriteLimits& limits) {
  if (capacity == 0) return;
  if (directoryCount > 0) {
    std::snprintf(buffer, capacity,
                  "Vous \xEAtes sur le point de supprimer %i r\xE9pertoire(s) et %i fichier(s),\n"
                  "soit %s d'informations.",
                  static_cast<int>(directoryCount), static_cast<int>(fileCount), sizeText);
  } else if (fileCount > 0) {
    std::snprintf(buffer, capacity, "Vous \xEAtes sur le point de supprimer %i fichier(s), soit %s d'informations.",
                  static_cast<int>(fileCount), sizeText);
  } else {
    std::snprintf(buffer, capacity,
                  "Vous \xEAtes sur le point de nettoyer l'espace libre de %i disque(s), soit %s "
                  "d'espace libre.\nCette op\xE9ration est sans danger pour vos donn\xE9" "es, aucun "
                  "fichier ne sera supprim\xE9.",
                  static_cast<int>(driveCount), sizeText);
  }
  buffer[capacity - 1] = '\0';
  // The rest follows what fitted, and is cut where the buffer ends.
  const std::string rest = LimitParagraphs(limits) + "\n\nVoulez-vous continuer?";
  const std::size_t used = std::strlen(buffer);
  std::snprintf(buffer + used, capacity - used, "%s", rest.c_str());
  buffer[capacity - 1] = '\0';
}

}  // namespace varnolt
