#include "bases/modele_differences.h"

#include "core/cp1252.h"

namespace {

QString titreDe(const Fiche& f) {
    return QString::fromStdString(cp1252VersUtf8(texteChamp(f.titre))).simplified();
}

QString signeDe(Ecart e) {
    switch (e) {
        case Ecart::kSeulementAutre: return QStringLiteral("+");
        case Ecart::kSeulementOuverte: return QStringLiteral("\u2212");
        case Ecart::kChangee: break;
    }
    return QStringLiteral("~");
}

// What a screen reader says instead of the sign, which it would read as a bare symbol.
QString genreLu(Ecart e) {
    switch (e) {
        case Ecart::kSeulementAutre: return QStringLiteral("ajoutée");
        case Ecart::kSeulementOuverte: return QStringLiteral("seulement dans la base ouverte");
        case Ecart::kChangee: break;
    }
    return QStringLiteral("changée");
}

}  // namespace

void ModeleDifferences::montrer(const Comparaison* comparaison, VueFiches autre, VueFiches ouverte) {
    beginResetModel();
    comparaison_ = comparaison;
    autre_ = autre;
    ouverte_ = ouverte;
    choisies_.assign(comparaison ? comparaison->differences.size() : 0, 0);
    nombreChoisies_ = 0;
    nombreChoisissables_ = 0;
    if (comparaison) {
        for (const Difference& d : comparaison->differences) nombreChoisissables_ += d.genre != Ecart::kSeulementOuverte;
    }
    endResetModel();
    emit choixChange();
}

int ModeleDifferences::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !comparaison_) return 0;
    return static_cast<int>(comparaison_->differences.size());
}

const Difference& ModeleDifferences::difference(int ligne) const {
    return comparaison_->differences[static_cast<std::size_t>(ligne)];
}

const Fiche* ModeleDifferences::ficheAutre(int ligne) const {
    const Difference& d = difference(ligne);
    return d.indexAutre < 0 ? nullptr : &autre_[d.indexAutre];
}

const Fiche* ModeleDifferences::ficheOuverte(int ligne) const {
    const Difference& d = difference(ligne);
    return d.indexOuverte < 0 ? nullptr : &ouverte_[d.indexOuverte];
}

QVariant ModeleDifferences::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int ligne = index.row();
    const Difference& d = difference(ligne);
    // The card named is the other table's when it has one: the one that would be taken.
    const Fiche& f = d.indexAutre >= 0 ? *ficheAutre(ligne) : *ficheOuverte(ligne);
    const QString titre = titreDe(f);
    switch (role) {
        case Qt::DisplayRole:
            return QStringLiteral("%1 %2 « %3 »").arg(signeDe(d.genre)).arg(f.numero).arg(titre);
        case Qt::AccessibleTextRole:
            return QStringLiteral("fiche %1 « %2 », %3").arg(f.numero).arg(titre, genreLu(d.genre));
        case Qt::CheckStateRole:
            if (d.genre == Ecart::kSeulementOuverte) return {};
            return choisies_[static_cast<std::size_t>(ligne)] ? Qt::Checked : Qt::Unchecked;
        default: return {};
    }
}

bool ModeleDifferences::setData(const QModelIndex& index, const QVariant& valeur, int role) {
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable)) return false;
    const bool coche = valeur.value<Qt::CheckState>() == Qt::Checked;
    uint8_t& c = choisies_[static_cast<std::size_t>(index.row())];
    if (c == coche) return true;
    c = coche;
    nombreChoisies_ = coche ? nombreChoisies_ + 1 : nombreChoisies_ - 1;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit choixChange();
    return true;
}

Qt::ItemFlags ModeleDifferences::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // A card only in the open base is not the other table's to give.
    if (difference(index.row()).genre != Ecart::kSeulementOuverte) f |= Qt::ItemIsUserCheckable;
    return f;
}

void ModeleDifferences::choisirTout(bool choisir) {
    if (!comparaison_) return;
    nombreChoisies_ = 0;
    for (std::size_t i = 0; i < choisies_.size(); ++i) {
        choisies_[i] = choisir && comparaison_->differences[i].genre != Ecart::kSeulementOuverte;
        nombreChoisies_ += choisies_[i];
    }
    if (!choisies_.empty()) emit dataChanged(index(0), index(rowCount() - 1), {Qt::CheckStateRole});
    emit choixChange();
}

std::vector<Difference> ModeleDifferences::choisies() const {
    std::vector<Difference> r;
    r.reserve(nombreChoisies_);
    for (std::size_t i = 0; i < choisies_.size(); ++i) {
        if (choisies_[i]) r.push_back(comparaison_->differences[i]);
    }
    return r;
}
