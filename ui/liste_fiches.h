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

class MagasinFiches;

class ModeleListe : public QAbstractListModel {
    Q_OBJECT
public:
    // What the board of pictures reads of each line besides its text: the card's number as
    // the line writes it, its title, its picture's absolute path (empty when it has none) and
    // the index in the card table of the card the line stands for (-1 when none).
    enum Role { RoleNumero = Qt::UserRole + 1, RoleTitre, RoleImage, RoleIndexFiche };

    explicit ModeleListe(QObject* parent = nullptr);

    // The store whose card table and picture directory the roles above read.
    void relier(const MagasinFiches& store) { store_ = &store; }

    // Shows table[0 .. nombre-1]. The table is read each time a line is drawn, so it must
    // outlive the list or be replaced first; slots that the table no longer has show nothing.
    // Shown again after a change, the same table is not reset: no line is visited.
    void montrer(const TableFiches& table, int nombre);
    void vider();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The list lays out every line again when their count changes, asking each line's index
    // twice: answered here without the base class's calls to rowCount and columnCount.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QString texteLigne(int ligne) const;

    static constexpr int kHauteurLigne = 16;

private:
    const Fiche* fiche(int ligne) const;
    QVariant donneeFiche(int ligne, int role) const;

    const TableFiches* table_ = nullptr;
    int nombre_ = 0;
    const MagasinFiches* store_ = nullptr;
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
