// The window as the controllers see it: the one refresh after a change of cards, and the few
// texts their commands read.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "ui/tform1.h"

void TForm1::montrerBase(const Rafraichissement& comment) {
    if (comment.courante) store_.courante = std::clamp(*comment.courante, 0, std::max(store_.derniere, 0));
    if (comment.activerSauvegarde) activerSauvegarde();
    // The list before the card: a picture that cannot be shown is told over the list as it now
    // stands.
    remplirListe();
    // The history changed with the cards: the undo and redo items name its new steps.
    actualiserAnnulation();
    // A command that replaced the table during an edit leaves the window on a card of that
    // table: "Valider" files the picture the window shows for it, never one chosen for a card
    // of the table before.
    if (enSaisie()) reprendreImage();
    afficherFiche();
}

void TForm1::activerSauvegarde() { savemybase_->setEnabled(true); }

void TForm1::montrerChemin(const std::string& texte) {
    chemin_->setText(QFile::decodeName(QByteArray::fromStdString(texte)));
}

QString TForm1::texteRecherche() const { return expression_->text(); }

QString TForm1::titreAffiche() const { return titre_->text(); }

bool TForm1::enSaisie() const { return !valider_->isHidden(); }
