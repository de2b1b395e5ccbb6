// The two commands that take cards out of the program and bring a spreadsheet's rows in:
// "exporter la base…" and "importer un tableau CSV…".

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <memory>

#include "core/import_tableau.h"
#include "core/tableau_csv.h"
#include "echange/export_pages.h"
#include "print/imprimer_fiches.h"
#include "ui/tform1.h"

namespace {
const char* const kFiltresExport = "Tableau CSV|*.csv|Page web|*.html|Document PDF|*.pdf";
const char* const kEcraserFichier = "ecraser le fichier du même nom ?";
const char* const kExportEchoue = "l'exportation vers %s n'a pas pu se faire : ";

enum class Format { kCsv, kHtml, kPdf };

// The extension the user typed decides; a name without one of the three takes the filter's.
Format formatDe(const std::string& chemin, int filtre) {
    const QString ext = QFileInfo(QFile::decodeName(QByteArray::fromStdString(chemin))).suffix().toLower();
    if (ext == QStringLiteral("csv")) return Format::kCsv;
    if (ext == QStringLiteral("html") || ext == QStringLiteral("htm")) return Format::kHtml;
    if (ext == QStringLiteral("pdf")) return Format::kPdf;
    return filtre == 1 ? Format::kHtml : filtre == 2 ? Format::kPdf : Format::kCsv;
}

bool existe(const std::string& chemin) {
    struct stat st;
    return lstat(chemin.c_str(), &st) == 0;
}
}  // namespace

void TForm1::exporterlabase1Click() {
    const DialogueFichier dialogue{QStringLiteral("csv"), QString::fromUtf8(kFiltresExport),
                                   QStringLiteral("exporter la base")};
    const std::optional<Plateforme::FichierFormat> choisi = plateforme_.enregistrerFichierFormat(dialogue);
    if (!choisi) return;
    const std::string& chemin = choisi->chemin;
    if (existe(chemin) && plateforme_.confirmation(kEcraserFichier) != kOui) return;

    // What "Imprimer la liste" prints: the search results while the list shows them, else
    // the whole base under its path.
    const Fiche* table = store_.fiches.data();
    int dernier = store_.derniere;
    QString entete = QFile::decodeName(QByteArray::fromStdString(store_.cheminBase.str()));
    if (store_.listeResultats) {
        table = store_.resultats.data();
        dernier = store_.dernierResultat;
        entete = QStringLiteral("recherche pour l'expression ") + expression()->text();
    }

    std::string raison;
    switch (formatDe(chemin, choisi->filtre)) {
        case Format::kCsv: {
            const ResultatEcriture r = ecrireTableauCsv(chemin, table, dernier);
            if (r.etat == ResultatEcriture::kLectureSeule) raison = "il est protégé en écriture";
            else if (!r.ok()) raison = r.raison;
            break;
        }
        case Format::kHtml: {
            const std::unique_ptr<QProgressDialog> progression = dialogueProgression(
                QStringLiteral("Exportation de la page web…"), dernier + 1, this);
            SuiviExport suivi;
            if (progression) {
                suivi = [&progression](int faites, int) {
                    progression->setValue(faites);
                    return !progression->wasCanceled();
                };
            }
            raison = exporterHtml(table, dernier, entete, store_.cheminBase.str(), chemin, suivi)
                         .toStdString();
            break;
        }
        case Format::kPdf:
            raison = exporterPdf(table, dernier, entete, store_.cheminBase.str(), chemin).toStdString();
            break;
    }
    // Stopping the export was the user's own choice, and it left nothing behind: nothing to tell.
    if (raison == exportAnnule().toStdString()) return;
    if (!raison.empty()) plateforme_.message(avecChemin(kExportEchoue, chemin) + raison);
}

void TForm1::importeruntableauCSV1Click() {
    const DialogueFichier dialogue{QStringLiteral("csv"), QStringLiteral("Tableau CSV|*.csv"),
                                   QStringLiteral("importer un tableau CSV")};
    const std::optional<std::string> choisi = plateforme_.ouvrirFichier(dialogue);
    if (!choisi) return;
    if (importerTableauCsv(store_, *choisi)) {
        savemybase()->setEnabled(true);
        afficherFiche();
        remplirListe();
    }
}
