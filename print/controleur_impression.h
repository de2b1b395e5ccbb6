#pragma once
// The window's two print buttons: "Imprimer la liste" and "Imprimer la fiche".

#include <QObject>

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

private:
    // The window, as its commands see it once connected, and as the parent of their dialogs.
    Vue& vue_;
    QWidget& fenetre_;
    MagasinFiches& store_;
    Plateforme& plateforme_;
};
