#pragma once
// The commands that take cards out of the program and bring a spreadsheet's rows in:
// "exporter la base…", "exporter les fiches choisies…" and "importer un tableau CSV…".

#include <QObject>
#include <cstdint>
#include <vector>

#include "core/magasin_fiches.h"
#include "platform/plateforme.h"
#include "print/liste_imprimee.h"
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
    // "exporter les fiches choisies…": the cards at these indices of the table, in that order,
    // written as "exporter la base…" writes a base holding only them.
    void exporterChoisies(const std::vector<uint32_t>& choisies);

private:
    void exporter(const QString& titreDialogue, const ListeImprimee& liste);
    // The window, as its commands see it once connected, and as the parent of their dialogs.
    Vue& vue_;
    QWidget& fenetre_;
    MagasinFiches& store_;
    Plateforme& plateforme_;
};
