#pragma once
// The differing cards of a comparison as the versions dialog lists them: one line per card,
// "+ 12 « titre »", "− 12 « titre »" or "~ 12 « titre »", a check box on the cards that can be
// taken into the open base (those of the other table: added or changed). The lines are made
// when shown, so that a comparison of a million differing cards lists at once.

#include <QAbstractListModel>
#include <cstdint>
#include <vector>

#include "core/comparaison_bases.h"
#include "core/fiche.h"
#include "core/table_fiches.h"

class ModeleDifferences : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // The differences of a comparison between autre and ouverte, none chosen. Both tables must
    // stay as they are until the next call.
    void montrer(const Comparaison* comparaison, VueFiches autre, VueFiches ouverte);
    void vider() { montrer(nullptr, nullptr, nullptr); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& valeur, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The differences checked, in list order.
    std::vector<Difference> choisies() const;
    std::size_t nombreChoisies() const { return nombreChoisies_; }
    // "tout choisir" (true) and "ne rien choisir" (false): every card that can be taken.
    void choisirTout(bool choisir);
    // The cards that can be taken (added or changed), chosen or not.
    std::size_t nombreChoisissables() const { return nombreChoisissables_; }
    const Difference& difference(int ligne) const;
    // The card of a line on each side; null on the side that lacks it.
    const Fiche* ficheAutre(int ligne) const;
    const Fiche* ficheOuverte(int ligne) const;

signals:
    void choixChange();

private:
    const Comparaison* comparaison_ = nullptr;
    VueFiches autre_ = nullptr;
    VueFiches ouverte_ = nullptr;
    std::vector<uint8_t> choisies_;
    std::size_t nombreChoisies_ = 0;
    std::size_t nombreChoisissables_ = 0;
};
