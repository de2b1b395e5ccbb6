#pragma once
// The list box of cards: one line per card of a table, built when the view asks for it, so
// that a million cards are listed at once. The lines come from either the card table or the
// search result table; the view shows only texts and keeps nothing else of the cards.

#include <QAbstractListModel>
#include <QListView>
#include <cstdint>

#include "core/fiche.h"
#include "core/table_fiches.h"

// The list line of a card: its number read as unsigned decimal (-1 is 4294967295), one space,
// then its title as stored, neither trimmed nor shortened.
QString ligneListe(const Fiche& fiche);

class ModeleListe : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ModeleListe(QObject* parent = nullptr);

    // Shows table[0 .. nombre-1]. The table is read each time a line is drawn, so it must
    // outlive the list or be replaced first; slots that the table no longer has show nothing.
    // Shown again after a change, the same table is not reset: no line is visited.
    void montrer(const TableFiches& table, int nombre);
    void vider();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QString texteLigne(int ligne) const;

    static constexpr int kHauteurLigne = 16;

private:
    const TableFiches* table_ = nullptr;
    int nombre_ = 0;
};

class ListeFiches : public QListView {
    Q_OBJECT
public:
    explicit ListeFiches(QWidget* parent = nullptr);

    // Removes every line; no line is selected afterwards.
    void vider();
    // Lists table[0 .. nombre-1]; no line is selected afterwards.
    void montrer(const TableFiches& table, int nombre);

    int nombreLignes() const;
    QString texteLigne(int ligne) const;
    // The selected line, -1 when none.
    int indexSelectionne() const;
    void selectionner(int ligne);

    ModeleListe* modele() const { return modele_; }

signals:
    // The user picked a line with the mouse or moved the selection with the keyboard.
    void clique(int ligne);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ModeleListe* modele_;
};
