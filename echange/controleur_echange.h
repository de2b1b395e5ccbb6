#pragma once
// The two commands that take cards out of the program and bring a spreadsheet's rows in:
// "exporter la base…" and "importer un tableau CSV…".

#include <QObject>

#include "core/magasin_fiches.h"
#include "platform/plateforme.h"
#include "ui/vue.h"

class QWidget;
class TForm1;

class ControleurEchange : public QObject {
    Q_OBJECT
public:
    // Connects the menu items of fenetre to the commands below.
    ControleurEchange(TForm1& fenetre, MagasinFiches& store, Plateforme& plateforme);

    void exporterlabase1Click();
    void importeruntableauCSV1Click();

private:
    // The window, as its commands see it once connected, and as the parent of their dialogs.
    Vue& vue_;
    QWidget& fenetre_;
    MagasinFiches& store_;
    Plateforme& plateforme_;
};
