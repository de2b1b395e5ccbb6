#pragma once
// The window's two print buttons, "Imprimer la liste" and "Imprimer la fiche", the printing of
// the chosen cards and the option "aperçu avant impression".

#include <QObject>
#include <cstdint>
#include <vector>

#include "core/magasin_fiches.h"
#include "platform/plateforme.h"
#include "ui/vue.h"

class QWidget;
class TForm1;

class ControleurImpression : public QObject {
    Q_OBJECT
public:
    // Connects the buttons of fenetre to the commands below.
    ControleurImpression(TForm1& fenetre, MagasinFiches& store, Plateforme& plateforme);

    void ButtonPrintListClick();
    void ButtonImpFicheClick();
    // "options" → "aperçu avant impression", checked or not.
    void apercuavantimpression1Click(bool coche);
    // "imprimer les fiches choisies": the cards at these indices of the table.
    void imprimerChoisies(const std::vector<uint32_t>& choisies);

private:
    // The window, as its commands see it once connected, and as the parent of their dialogs.
    Vue& vue_;
    QWidget& fenetre_;
    MagasinFiches& store_;
    Plateforme& plateforme_;
};
