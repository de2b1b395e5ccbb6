#pragma once
// The program's own texts that more than one place shows or checks: the code shows them and
// the tests compare against these same constants, so a text is written once. UTF-8, as every
// text inside the program; the conversion to Windows-1252 happens where a text is stored.
// A %s stands for a path, filled by avecChemin.

namespace textes {

// --- Questions ---
inline constexpr char kSauverModifications[] = "Sauver les modifications ?";
inline constexpr char kSupprimerFiche[] = "Supprimer cette fiche ?";
inline constexpr char kEcraserBase[] = "ecraser la base du même nom ?";
inline constexpr char kPasDeFicheSelectionnee[] = "pas de fiche sélectionnée";
// The title of the confirmation box (the others have the program's title, or none).
inline constexpr char kTitreConfirmation[] = "Confirmation";
inline constexpr char kSansAnnulation[] =
    "Cette opération touche trop de fiches pour pouvoir être annulée, et les modifications "
    "faites avant elle ne pourront plus l'être non plus. Continuer ?";

// --- Bases and their picture directories ---
inline constexpr char kCreationNouvelleBase[] = "Création de la nouvelle base:";
inline constexpr char kErreurCreationRepertoire[] = "erreur de création de répertoire";
inline constexpr char kRepertoireDejaExistant[] = "sauvegarde ok mais répertoire déjà existant";
inline constexpr char kCreationRepertoireImages[] =
    "creation du repertoire %s car inexistant cette base ne contient pas encore d'images";
inline constexpr char kCheminTropLong[] = "le chemin %s est trop long (plus de 512 caractères)";
inline constexpr char kBaseNonTrouvee[] = "%s non trouvé";
inline constexpr char kBaseIntrouvable[] =
    "le fichier de configuration %s n'a pas été trouvé.   \nou est sur un disque protégé en "
    "écriture";
inline constexpr char kBaseProtegee[] =
    "le fichier %s n'a pas pu être sauvegardé.   \ncar il est protégé en écriture";
inline constexpr char kBaseNonSauvee[] = "le fichier %s n'a pas pu être sauvegardé.   \n";
inline constexpr char kErreurLecture[] = "erreur de lecture du fichier %s : ";

// --- Configuration ---
inline constexpr char kIniIntrouvable[] =
    "le fichier de configuration %s n'a pas été trouvé.   ou est sur un disque protégé en "
    "écriture";
inline constexpr char kConfigurationNonSauvee[] = "la configuration n'a pas pu être sauvée";
inline constexpr char kEcritureImpossible[] = "Unable to write to %s";

// --- Pictures ---
inline constexpr char kImageNonDisponible[] = " %s non disponible";

// --- Why a file operation failed, after "... : " ---
inline constexpr char kDisquePlein[] = "le disque est plein";
inline constexpr char kAccesRefuse[] = "l'accès est refusé";
inline constexpr char kLectureSeule[] = "le disque est en lecture seule";
inline constexpr char kErreurEntreeSortie[] = "erreur d'entrée-sortie sur le disque";
inline constexpr char kEstUnRepertoire[] = "c'est un répertoire";
inline constexpr char kPasUnFichierOrdinaire[] = "ce n'est pas un fichier ordinaire";

// --- Errors that leave a command ---
inline constexpr char kMemoireCommande[] = "mémoire insuffisante : la commande a été abandonnée";

// --- Cards entered twice ---
inline constexpr char kExigerDescriptions[] =
    "Rechercher les fiches de même titre.\nExiger aussi des descriptions identiques ?";
inline constexpr char kAucunDoublon[] = "aucun doublon";
inline constexpr char kTerminerSaisie[] =
    "une fiche est en cours de saisie : terminez-la d'abord avec « Valider » ou « Annuler »";
// Headings of their printout.
inline constexpr char kDoublonsTitres[] = "doublons : fiches de même titre";
inline constexpr char kDoublonsDescriptions[] = "doublons : fiches de même titre et de même description";

// --- Printing ---
inline constexpr char kRecherchePourExpression[] = "recherche pour l'expression ";

// --- Progress dialogs of the exports ---
inline constexpr char kProgressionPageWeb[] = "Exportation de la page web…";
inline constexpr char kProgressionPdf[] = "Exportation du document PDF…";

}  // namespace textes
