#pragma once
// The main window: the one window of the program, with the card store it works on.

#include <QMainWindow>

#include "core/card_store.h"
#include "platform/plateforme.h"

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(Plateforme& plateforme, QWidget* parent = nullptr);
    ~TForm1() override;

    CardStore& store() { return store_; }
    Plateforme& plateforme() { return plateforme_; }

private:
    Plateforme& plateforme_;
    CardStore store_;
};
