// Undo and redo of the changes of the cards, from the menu "édition" or their keys.
//
// The history is the card store's (core/historique.h): each command that changes the cards
// records its step there, whichever layer runs it. Here the window only carries the steps out
// and keeps the two items saying what they would do.

#include <QAction>
#include <QPushButton>

#include "ui/tform1.h"

namespace {

// A caption as a menu shows it: "&" is the mnemonic marker, so a title's own "&" is doubled.
QString legende(const std::string& texte) {
    return QString::fromStdString(texte).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

void TForm1::annuler1Click() {
    // In edit mode the items are disabled; their keys belong to the box being typed in.
    if (enSaisie()) return;
    if (store_.historique.annuler(store_)) {
        montrerBase(kSansActiverSauvegarde);
    } else {
        actualiserAnnulation();
    }
}

void TForm1::retablir1Click() {
    if (enSaisie()) return;
    if (store_.historique.retablir(store_)) {
        montrerBase(kSansActiverSauvegarde);
    } else {
        actualiserAnnulation();
    }
}

void TForm1::actualiserAnnulation() {
    const Historique& h = store_.historique;
    const bool edition = enSaisie();
    annuler1()->setText(legende(h.libelleAnnuler()));
    retablir1()->setText(legende(h.libelleRetablir()));
    annuler1()->setEnabled(!edition && h.aAnnuler() != nullptr);
    retablir1()->setEnabled(!edition && h.aRetablir() != nullptr);
}
