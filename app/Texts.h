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

// The end-of-run box: what was not erased, one line per item, "path : reason".
inline constexpr const char* kItemsLeft = "Certains \xE9l\xE9ments n'ont pas \xE9t\xE9 broy\xE9s :";
inline constexpr const char* kRunStopped = "Le broyage a \xE9t\xE9 interrompu.";
// %i: how many items the run never reached.
inline constexpr const char* kNotReachedFormat = "%i \xE9l\xE9ment(s) non atteint(s).";
inline constexpr const char* kItemLineSeparator = " : ";
// %i: the items left beyond the lines shown.
inline constexpr const char* kMoreItemsFormat = "\x85 et %i autre(s) \xE9l\xE9ment(s)";

// Why an item was left.
inline constexpr const char* kLeftInUse = "utilis\xE9 par un autre programme";
inline constexpr const char* kLeftAccessDenied = "acc\xE8s refus\xE9";
inline constexpr const char* kLeftGone = "introuvable";
inline constexpr const char* kLeftWriteFailed = "erreur d'\xE9" "criture sur le disque";
inline constexpr const char* kLeftDiskFull = "disque plein";
inline constexpr const char* kLeftStopped = "arr\xEAt\xE9 par l'utilisateur, \xE9" "cras\xE9 en partie";
inline constexpr const char* kLeftNotReached = "non atteint";
inline constexpr const char* kLeftHardLink = "d'autres noms partagent ses donn\xE9" "es";
inline constexpr const char* kLeftReparsePoint = "point d'analyse d'un type non pris en charge";
inline constexpr const char* kLeftNameNotSupported = "nom ou chemin non pris en charge";
inline constexpr const char* kLeftDriveNotSupported = "lecteur non pris en charge";
inline constexpr const char* kLeftFolderNotEmpty = "r\xE9pertoire non vide";
inline constexpr const char* kLeftNotRemoved = "refus\xE9 par le syst\xE8me";
inline constexpr const char* kLeftReplaced = "remplac\xE9 depuis le choix, laiss\xE9 tel quel";
inline constexpr const char* kLeftNotOursFormat = "porte un nom de Varnolt, laiss\xE9 en place : rien ne prouve qu'il en vienne (%s)";
inline constexpr const char* kLeftFillFileNotCreated =
    "espace libre : le fichier de remplissage n'a pas pu \xEAtre cr\xE9\xE9";
// %s, %s: the part covered and the free space, as size texts ("12 Mo").
inline constexpr const char* kLeftFreeSpaceInPartFormat = "espace libre nettoy\xE9 en partie (%s sur %s)";
inline constexpr const char* kLeftNamesInFoldersFormat =
    "noms effac\xE9s laiss\xE9s dans %llu dossier(s) \xE0 vous : ils n'acceptaient aucun fichier";
inline constexpr const char* kLeftDataNotHere =
    "ses donn\xE9" "es sont en ligne, pas sur ce PC : non ouvert, pour ne pas les t\xE9l\xE9" "charger";

// Paragraphs the confirmation adds before its question, one for each kind of limit the
// selection meets (OverwriteLimits), in this order.
inline constexpr const char* kLimitOnFlash =
    "Sur un SSD ou une m\xE9moire flash (cl\xE9 USB, carte), des copies peuvent rester dans des cellules qu'aucun programme n'atteint : seul un chiffrement activ\xE9 avant l'\xE9" "criture des donn\xE9" "es les prot\xE8ge.";
// Added to the paragraph above when a drive's free space is cleaned there.
inline constexpr const char* kLimitFreeSpaceOnFlash =
    " L'espace libre y re\xE7oit un seul passage, al\xE9" "atoire : d'autres useraient le disque sans rien atteindre de plus.";
// The shadow copies' paragraph: its start, what they may keep (the chosen files, or the deleted
// ones of a cleaned drive), what a cleaning may cost, and a full stop.
inline constexpr const char* kLimitShadowCopiesStart = "Des copies de Windows (\xAB Versions pr\xE9" "c\xE9" "dentes \xBB) peuvent garder ";
inline constexpr const char* kLimitShadowCopiesOfItems = "ces fichiers tels qu'ils \xE9taient";
inline constexpr const char* kLimitShadowCopiesOfDeleted = "des fichiers supprim\xE9s";
inline constexpr const char* kLimitShadowCopiesRestorePoints =
    ", et remplir l'espace libre peut amener Windows \xE0 supprimer des points de restauration";
inline constexpr const char* kLimitKeptOnline =
    "Des fichiers sont gard\xE9s en ligne : la copie en ligne, ses versions et la corbeille en ligne restent, et les supprimer ici les supprime aussi en ligne.";
// Added to the paragraph above when some of those files have their data elsewhere.
inline constexpr const char* kLimitDataNotHere =
    " Ceux dont les donn\xE9" "es ne sont pas sur ce PC ne seront pas ouverts, ce qui les t\xE9l\xE9" "chargerait : ils restent.";
inline constexpr const char* kLimitStoredAside =
    "Des fichiers sont compress\xE9s, chiffr\xE9s, d\xE9" "dupliqu\xE9s ou sur un volume ReFS : leurs anciennes donn\xE9" "es peuvent se trouver l\xE0 o\xF9 l'\xE9" "crasement ne passe pas.";

}  // namespace varnolt::texts
