#include "print/commandes_impression.h"

#include "core/attributs.h"
#include "core/textes.h"
#include "print/imprimer_fiches.h"
#include "print/liste_imprimee.h"
#include "print/pages_pdf.h"

namespace {

const char* const kSansImprimante =
    "Aucune imprimante n'est installée. Enregistrer ces pages dans un fichier PDF ?";
const char* const kRemplacerPdf = "Le fichier %s existe déjà. Le remplacer ?";

// With no printer installed the pages go, if the user wants, to a PDF file: the same pages,
// drawn by the same code, as the printer would have received. Nothing is written otherwise.
void offrirPdf(Plateforme& plateforme, VueFiches table, int dernier, const QString& entete,
               const std::string& cheminBase) {
    if (plateforme.question(kSansImprimante, Boutons::OuiNon) != kOui) return;
    const std::optional<std::string> choisi = plateforme.enregistrerFichier(
        {QStringLiteral("pdf"), QStringLiteral("Document PDF|*.pdf"),
         QStringLiteral("Enregistrer les pages en PDF")});
    if (!choisi) return;
    if (existe(*choisi) &&
        plateforme.question(avecChemin(kRemplacerPdf, *choisi), Boutons::OuiNon) != kOui) {
        return;
    }
    const QString raison = imprimerVersPdf(table, dernier, entete, cheminBase, *choisi);
    if (!raison.isEmpty() && raison != pdfAnnule()) {
        plateforme.erreur("Le fichier PDF n'a pas pu être enregistré : " + raison.toStdString() + ".");
    }
}

// Prints, or offers the PDF when there is no printer at all.
void imprimerOuOffrir(Plateforme& plateforme, VueFiches table, int dernier,
                      const QString& entete, const std::string& cheminBase, QWidget* fenetre);

void signalerEchec(Plateforme& plateforme, const ResultatImpression& r) {
    // A cancellation was the user's own choice: nothing to tell.
    if (r.etat != ResultatImpression::Echouee) return;
    plateforme.erreur("L'impression n'a pas pu se faire : " + r.raison.toStdString() + ".");
}

}  // namespace

void imprimerListe(Plateforme& plateforme, MagasinFiches& store, const QString& expression,
                   QWidget* fenetre) {
    const ListeImprimee liste = listeImprimee(store, expression);
    imprimerOuOffrir(plateforme, liste.table, liste.dernier, liste.entete, store.cheminBase.str(),
                     fenetre);
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
void imprimerOuOffrir(Plateforme& plateforme, VueFiches table, int dernier,
                      const QString& entete, const std::string& cheminBase, QWidget* fenetre) {
    if (!plateforme.imprimanteInstallee()) {
        offrirPdf(plateforme, table, dernier, entete, cheminBase);
        return;
    }
    signalerEchec(plateforme,
                  imprimerFiches(plateforme.imprimante(), table, dernier, entete, cheminBase, fenetre));
}
}  // namespace
