// The program's own messages, Windows-1252.
#pragma once

namespace varnolt::texts {

inline constexpr const char* kInformationCaption = "Information";
inline constexpr const char* kErrorCaption = "Erreur";
inline constexpr const char* kConfirmationCaption = "Confirmation";
inline constexpr const char* kApplicationTitle = "Varnolt";

inline constexpr const char* kInformation =
    "Varnolt est correctement install\xE9 sur votre ordinateur.\n"
    "Il est int\xE9gr\xE9 dans l'Explorateur de fichiers de Windows et s'utilise de cette mani\xE8re :\n"
    "\n"
    "- Pour broyer un fichier ou un r\xE9pertoire, cliquez avec le bouton droit de la souris sur le fichier\n"
    "ou le r\xE9pertoire \xE0 supprimer et choisissez \xAB Broyer avec Varnolt \xBB.\n"
    "\n"
    "- Pour nettoyer l'espace libre d'un disque dur ou d'une cl\xE9 USB, cliquez avec le bouton droit\n"
    "de la souris sur le lecteur \xE0 nettoyer et choisissez \xAB Nettoyer avec Varnolt \xBB.";

// %i: the item's number among the items, the first item being 1.
inline constexpr const char* kBadDriveFormat = "L'argument n\xB0%i n'est pas un lecteur valide.";
inline constexpr const char* kBadPathFormat = "L'argument n\xB0%i n'est pas un chemin valide.";

// An error of no known kind ended the program (memory exhausted, say).
inline constexpr const char* kUnexpectedError =
    "Une erreur inattendue a arr\xEAt\xE9 Varnolt.";

}  // namespace varnolt::texts
