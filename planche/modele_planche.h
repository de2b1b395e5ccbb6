#pragma once
// The list's lines as the board shows them: the same rows, following every change of the
// list, with what a tile says besides its drawing — its name for a screen reader
// ("fiche 12 « Château de Chambord »") and its tooltip (the whole title, and why its picture
// could not be drawn).

#include <QIdentityProxyModel>

class Vignettes;

class ModelePlanche : public QIdentityProxyModel {
    Q_OBJECT
public:
    ModelePlanche(const Vignettes& vignettes, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The name a screen reader gives the tile of a card.
    static QString nomAccessible(const QString& numero, const QString& titre);

private:
    const Vignettes& vignettes_;
};
