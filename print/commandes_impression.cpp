#include "print/commandes_impression.h"

#include <QFile>

#include "print/imprimer_fiches.h"

namespace {

void signalerEchec(Plateforme& plateforme, const ResultatImpression& r) {
    // A cancellation was the user's own choice: nothing to tell.
    if (r.etat != ResultatImpression::Echouee) return;
    plateforme.erreur("L'impression n'a pas pu se faire : " + r.raison.toStdString() + ".");
}

}  // namespace

void imprimerListe(Plateforme& plateforme, MagasinFiches& store, const QString& expression,
                   QWidget* fenetre) {
    const std::string& cheminBase = store.cheminBase.str();
    ResultatImpression r;
    if (store.listeResultats) {
        r = imprimerFiches(plateforme.imprimante(), store.resultats.data(), store.dernierResultat,
                           QStringLiteral("recherche pour l'expression ") + expression,
                           cheminBase, fenetre);
    } else {
        // The path is the file system's bytes, not a card text.
        r = imprimerFiches(plateforme.imprimante(), store.fiches.data(), store.derniere,
                           QFile::decodeName(QByteArray::fromStdString(cheminBase)), cheminBase,
                           fenetre);
    }
    signalerEchec(plateforme, r);
}

void imprimerFiche(Plateforme& plateforme, MagasinFiches& store, const QString& texteTitre,
                   QWidget* fenetre) {
    if (texteTitre.isEmpty()) {
        plateforme.question("pas de fiche sélectionnée", Boutons::Ok);
        return;
    }
    const QString entete = QStringLiteral("Fiche N°%1 ").arg(store.courante);
    signalerEchec(plateforme, imprimerFiches(plateforme.imprimante(), &store.ficheCourante(), 0,
                                             entete, store.cheminBase.str(), fenetre));
}
