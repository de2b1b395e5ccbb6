#include "print/commandes_impression.h"

#include <sys/stat.h>

#include <QFile>

#include "print/imprimer_fiches.h"
#include "print/pages_pdf.h"
#include "core/textes.h"

namespace {

const char* const kSansImprimante =
    "Aucune imprimante n'est installée. Enregistrer ces pages dans un fichier PDF ?";
const char* const kRemplacerPdf = "Le fichier %s existe déjà. Le remplacer ?";

// With no printer installed the pages go, if the user wants, to a PDF file: the same pages,
// drawn by the same code, as the printer would have received. Nothing is written otherwise.
void offrirPdf(Plateforme& plateforme, const Fiche* table, int dernier, const QString& entete,
               const std::string& cheminBase) {
    if (plateforme.question(kSansImprimante, Boutons::OuiNon) != kOui) return;
    const std::optional<std::string> choisi = plateforme.enregistrerFichier(
        {QStringLiteral("pdf"), QStringLiteral("Document PDF|*.pdf"),
         QStringLiteral("Enregistrer les pages en PDF")});
    if (!choisi) return;
    struct stat st;
    if (lstat(choisi->c_str(), &st) == 0 &&
        plateforme.question(avecChemin(kRemplacerPdf, *choisi), Boutons::OuiNon) != kOui) {
        return;
    }
    const QString raison = imprimerVersPdf(table, dernier, entete, cheminBase, *choisi);
    if (!raison.isEmpty() && raison != pdfAnnule()) {
        plateforme.erreur("Le fichier PDF n'a pas pu être enregistré : " + raison.toStdString() + ".");
    }
}

// Prints, or offers the PDF when there is no printer at all.
void imprimerOuOffrir(Plateforme& plateforme, const Fiche* table, int dernier,
                      const QString& entete, const std::string& cheminBase, QWidget* fenetre);

void signalerEchec(Plateforme& plateforme, const ResultatImpression& r) {
    // A cancellation was the user's own choice: nothing to tell.
    if (r.etat != ResultatImpression::Echouee) return;
    plateforme.erreur("L'impression n'a pas pu se faire : " + r.raison.toStdString() + ".");
}

}  // namespace

void imprimerListe(Plateforme& plateforme, MagasinFiches& store, const QString& expression,
                   QWidget* fenetre) {
    const std::string& cheminBase = store.cheminBase.str();
    if (store.listeResultats) {
        imprimerOuOffrir(plateforme, store.resultats.data(), store.dernierResultat,
                         QString::fromUtf8(textes::kRecherchePourExpression) + expression, cheminBase,
                         fenetre);
    } else {
        // The path is the file system's bytes, not a card text.
        imprimerOuOffrir(plateforme, store.fiches.data(), store.derniere,
                         QFile::decodeName(QByteArray::fromStdString(cheminBase)), cheminBase,
                         fenetre);
    }
}

void imprimerFiche(Plateforme& plateforme, MagasinFiches& store, const QString& texteTitre,
                   QWidget* fenetre) {
    if (texteTitre.isEmpty()) {
        plateforme.question(textes::kPasDeFicheSelectionnee, Boutons::Ok);
        return;
    }
    const QString entete = QStringLiteral("Fiche N°%1 ").arg(store.courante);
    imprimerOuOffrir(plateforme, &store.ficheCourante(), 0, entete, store.cheminBase.str(),
                     fenetre);
}

namespace {
void imprimerOuOffrir(Plateforme& plateforme, const Fiche* table, int dernier,
                      const QString& entete, const std::string& cheminBase, QWidget* fenetre) {
    if (!plateforme.imprimanteInstallee()) {
        offrirPdf(plateforme, table, dernier, entete, cheminBase);
        return;
    }
    signalerEchec(plateforme,
                  imprimerFiches(plateforme.imprimante(), table, dernier, entete, cheminBase, fenetre));
}
}  // namespace
