#include "echange/controleur_echange.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <functional>

#include "core/attributs.h"
#include "core/textes.h"
#include "core/etapes.h"
#include "core/fiches_choisies.h"
#include "core/import_tableau.h"
#include "core/tableau_csv.h"
#include "echange/export_pages.h"
#include "print/liste_imprimee.h"
#include "ui/commande.h"
#include "ui/progression.h"
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
}  // namespace

ControleurEchange::ControleurEchange(TForm1& fenetre, MagasinFiches& store, Plateforme& plateforme)
    : QObject(&fenetre), vue_(fenetre), fenetre_(fenetre), store_(store), plateforme_(plateforme) {
    relier(fenetre.exporterlabase1(), &QAction::triggered, this,
           &ControleurEchange::exporterlabase1Click, plateforme);
    relier(fenetre.importeruntableauCSV1(), &QAction::triggered, this,
           &ControleurEchange::importeruntableauCSV1Click, plateforme);
}

void ControleurEchange::exporterlabase1Click() {
    exporter(QStringLiteral("exporter la base"), listeImprimee(store_, vue_.texteRecherche()));
}

void ControleurEchange::exporterChoisies(const std::vector<uint32_t>& choisies) {
    std::vector<uint32_t> cases;
    const VueFiches vue = vueChoisies(store_, choisies, cases);
    if (cases.empty()) {
        plateforme_.question(textes::kPasDeFicheSelectionnee, Boutons::Ok);
        return;
    }
    // Headed as the whole base's export is: the same file as a base holding only these cards.
    const ListeImprimee liste{vue, static_cast<int>(cases.size()) - 1,
                              QFile::decodeName(QByteArray::fromStdString(store_.cheminBase.str()))};
    exporter(QStringLiteral("exporter les fiches choisies"), liste);
}

void ControleurEchange::exporter(const QString& titre, const ListeImprimee& liste) {
    const DialogueFichier dialogue{QStringLiteral("csv"), QString::fromUtf8(kFiltresExport), titre};
    const std::optional<Plateforme::FichierFormat> choisi = plateforme_.enregistrerFichierFormat(dialogue);
    if (!choisi) return;
    const std::string& chemin = choisi->chemin;
    if (existe(chemin) && plateforme_.confirmation(kEcraserFichier) != kOui) return;

    const VueFiches table = liste.table;
    const int dernier = liste.dernier;
    const QString& entete = liste.entete;

    std::string raison;
    switch (formatDe(chemin, choisi->filtre)) {
        case Format::kCsv: {
            const ResultatEcriture r = ecrireTableauCsv(chemin, table, dernier);
            if (r.etat == ResultatEcriture::kLectureSeule) raison = "il est protégé en écriture";
            else if (!r.ok()) raison = r.raison;
            break;
        }
        case Format::kHtml: {
            Progression progression(QString::fromUtf8(textes::kProgressionPageWeb), &fenetre_);
            raison = exporterHtml(table, dernier, entete, store_.cheminBase.str(), chemin,
                                  std::ref(progression))
                         .toStdString();
            break;
        }
        case Format::kPdf: {
            Progression progression(QString::fromUtf8(textes::kProgressionPdf), &fenetre_);
            raison = exporterPdf(table, dernier, entete, store_.cheminBase.str(), chemin,
                                 std::ref(progression))
                         .toStdString();
            break;
        }
    }
    // Stopping the export was the user's own choice, and it left nothing behind: nothing to tell.
    if (raison == exportAnnule().toStdString()) return;
    if (!raison.empty()) plateforme_.message(avecChemin(kExportEchoue, chemin) + raison);
}

void ControleurEchange::importeruntableauCSV1Click() {
    const DialogueFichier dialogue{QStringLiteral("csv"), QStringLiteral("Tableau CSV|*.csv"),
                                   QStringLiteral("importer un tableau CSV")};
    const std::optional<std::string> choisi = plateforme_.ouvrirFichier(dialogue);
    if (!choisi) return;
    const std::size_t premiere = static_cast<std::size_t>(store_.nombreFiches());
    // A table too large for the history is told before its cards are added: it cannot be undone.
    const auto accepter = [this](std::size_t fiches) {
        return accepterSansAnnulation(store_.historique, plateforme_, octetsEtapeFiches(0, fiches));
    };
    if (importerTableauCsv(store_, *choisi, accepter)) {
        store_.historique.noter(etapeAjoutFiches(store_, premiere, GenreEtape::kImportCsv), store_);
        vue_.montrerBase();
    }
}
