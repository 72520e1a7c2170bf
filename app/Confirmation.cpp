#include "app/Confirmation.h"

#include <cstdio>

namespace varnolt {

void ConfirmationText(std::int32_t directoryCount, std::int32_t fileCount, std::int32_t driveCount,
                      const char* sizeText, char* buffer, std::size_t capacity) {
  if (capacity == 0) return;
  if (directoryCount > 0) {
    std::snprintf(buffer, capacity,
                  "Vous \xEAtes sur le point de supprimer %i r\xE9pertoire(s) et %i fichier(s),\n"
                  "soit %s d'informations.\n\nVoulez-vous continuer?",
                  static_cast<int>(directoryCount), static_cast<int>(fileCount), sizeText);
  } else if (fileCount > 0) {
    std::snprintf(buffer, capacity,
                  "Vous \xEAtes sur le point de supprimer %i fichier(s), soit %s d'informations.\n\n"
                  "Voulez-vous continuer?",
                  static_cast<int>(fileCount), sizeText);
  } else {
    std::snprintf(buffer, capacity,
                  "Vous \xEAtes sur le point de nettoyer l'espace libre de %i disque(s), soit %s "
                  "d'espace libre.\nCette op\xE9ration est sans danger pour vos donn\xE9" "es, aucun "
                  "fichier ne sera supprim\xE9.\n\nVoulez-vous continuer?",
                  static_cast<int>(driveCount), sizeText);
  }
  buffer[capacity - 1] = '\0';
}

}  // namespace varnolt
