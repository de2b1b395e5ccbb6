#include "print/commandes_impression.h"

#include "core/attributs.h"
#include "core/fiches_choisies.h"
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
void offrirPdf(Plateforme& plateforme, std::span<const Tirage> tirages, const std::string& cheminBase) {
    if (plateforme.question(kSansImprimante, Boutons::OuiNon) != kOui) return;
    const std::optional<std::string> choisi = plateforme.enregistrerFichier(
        {QStringLiteral("pdf"), QStringLiteral("Document PDF|*.pdf"),
         QStringLiteral("Enregistrer les pages en PDF")});
    if (!choisi) return;
    if (existe(*choisi) &&
        plateforme.question(avecChemin(kRemplacerPdf, *choisi), Boutons::OuiNon) != kOui) {
        return;
    }
    const QString raison = imprimerTiragesVersPdf(tirages, cheminBase, *choisi);
    if (!raison.isEmpty() && raison != pdfAnnule()) {
        plateforme.erreur("Le fichier PDF n'a pas pu être enregistré : " + raison.toStdString() + ".");
    }
}

void signalerEchec(Plateforme& plateforme, const ResultatImpression& r) {
    // A cancellation was the user's own choice: nothing to tell.
    if (r.etat != ResultatImpression::Echouee) return;
    plateforme.erreur("L'impression n'a pas pu se faire : " + r.raison.toStdString() + ".");
}

// Prints, after the preview when the user asked for one (closing it prints nothing), or offers
// the PDF when there is no printer at all. The preview and the printer draw through the same
// code: the pages printed are those shown.
void imprimerOuOffrir(Plateforme& plateforme, const MagasinFiches& store, std::span<const Tirage> tirages,
                      QWidget* fenetre) {
    const std::string& cheminBase = store.cheminBase.str();
    if (!plateforme.imprimanteInstallee()) {
        offrirPdf(plateforme, tirages, cheminBase);
        return;
    }
    Imprimante* imprimante = &plateforme.imprimante();
    if (store.apercuImpression) {
        imprimante = plateforme.apercu(
            [&](Imprimante& apercu) { dessinerTirages(apercu, tirages, cheminBase); });
        if (imprimante == nullptr) return;
    }
    signalerEchec(plateforme, imprimerTirages(*imprimante, tirages, cheminBase, fenetre));
}

}  // namespace

void imprimerListe(Plateforme& plateforme, MagasinFiches& store, const QString& expression,
                   QWidget* fenetre) {
    const ListeImprimee liste = listeImprimee(store, expression);
    const Tirage tirage{liste.table, liste.dernier, liste.entete};
    imprimerOuOffrir(plateforme, store, std::span<const Tirage>(&tirage, 1), fenetre);
}

void imprimerFiche(Plateforme& plateforme, MagasinFiches& store, const QString& texteTitre,
                   QWidget* fenetre) {
    if (texteTitre.isEmpty()) {
        plateforme.question(textes::kPasDeFicheSelectionnee, Boutons::Ok);
        return;
    }
    const Tirage tirage{&store.ficheCourante(), 0, enteteFiche(store.courante)};
    imprimerOuOffrir(plateforme, store, std::span<const Tirage>(&tirage, 1), fenetre);
}

QString enteteFiche(int32_t index) { return QStringLiteral("Fiche N°%1 ").arg(index); }

void imprimerChoisies(Plateforme& plateforme, MagasinFiches& store, const std::vector<uint32_t>& choisies,
                      QWidget* fenetre) {
    const std::vector<uint32_t> places = indicesValides(store, choisies);
    if (places.empty()) {
        plateforme.question(textes::kPasDeFicheSelectionnee, Boutons::Ok);
        return;
    }
    const std::vector<Fiche> copies = copiesChoisies(store, places);
    std::vector<Tirage> tirages;
    tirages.reserve(places.size());
    for (std::size_t k = 0; k < places.size(); ++k) {
        tirages.push_back({&copies[k], 0, enteteFiche(static_cast<int32_t>(places[k]))});
    }
    imprimerOuOffrir(plateforme, store, tirages, fenetre);
}
