#include "ui/liste_fiches.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>

#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/magasin_fiches.h"
#include "core/selection.h"
#include "core/texte_nombre.h"

QString ligneListe(const Fiche& fiche) {
    char nombre[12];
    entierEnTexte(static_cast<uint32_t>(fiche.numero), nombre, 10);
    std::string ligne = nombre;
    ligne += ' ';
    ligne += cp1252VersUtf8(texteChamp(fiche.titre));
    return QString::fromStdString(ligne);
}

ModeleListe::ModeleListe(QObject* parent) : QAbstractListModel(parent) {}

void ModeleListe::montrer(const TableFiches& table, int nombre) {
    nombre = nombre > 0 ? nombre : 0;
    if (table_ != &table) {
        beginResetModel();
        table_ = &table;
        nombre_ = nombre;
        endResetModel();
        return;
    }
    // The same table after a change: the lines are read from it when drawn, so the view is
    // told only of the lines added or removed at the end, and that every line may have
    // changed; it redraws those it shows and visits no other.
    if (nombre < nombre_) {
        beginRemoveRows({}, nombre, nombre_ - 1);
        nombre_ = nombre;
        endRemoveRows();
    } else if (nombre > nombre_) {
        beginInsertRows({}, nombre_, nombre - 1);
        nombre_ = nombre;
        endInsertRows();
    }
    if (nombre_ > 0) emit dataChanged(index(0), index(nombre_ - 1), {Qt::DisplayRole});
}

void ModeleListe::vider() {
    beginResetModel();
    table_ = nullptr;
    nombre_ = 0;
    endResetModel();
}

int ModeleListe::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : nombre_; }

QModelIndex ModeleListe::index(int row, int column, const QModelIndex& parent) const {
    return !parent.isValid() && column == 0 && row >= 0 && row < nombre_ ? createIndex(row, 0) : QModelIndex();
}

const Fiche* ModeleListe::fiche(int ligne) const {
    // A command may shrink the table and, before it refills the list, open a box whose event
    // loop repaints the list: rows past the table's end must not be read.
    if (table_ == nullptr || ligne < 0 || ligne >= nombre_ ||
        static_cast<std::size_t>(ligne) >= table_->places()) {
        return nullptr;
    }
    return &(*table_)[static_cast<std::size_t>(ligne)];
}

QString ModeleListe::texteLigne(int ligne) const {
    const Fiche* f = fiche(ligne);
    return f == nullptr ? QString() : ligneListe(*f);
}

QVariant ModeleListe::donneeFiche(int ligne, int role) const {
    const Fiche* f = fiche(ligne);
    if (f == nullptr) return {};
    switch (role) {
        case RoleNumero: {
            char nombre[12];
            entierEnTexte(static_cast<uint32_t>(f->numero), nombre, 10);
            return QString::fromLatin1(nombre);
        }
        case RoleTitre: return QString::fromStdString(cp1252VersUtf8(texteChamp(f->titre)));
        case RoleImage: {
            // Where the frame looks for it, whether or not the file is there.
            if (store_ == nullptr || !aUneImage(texteChamp(f->image))) return QString();
            const std::optional<std::string> chemin = cheminImage(store_->repertoireImages.str(), texteChamp(f->image));
            if (!chemin) return QString();
            return QFileInfo(QFile::decodeName(QByteArray::fromStdString(*chemin))).absoluteFilePath();
        }
        case RoleIndexFiche: {
            if (store_ == nullptr) return -1;
            // The lines of the card table are its cards; a result line stands for the card
            // picking it in the list shows.
            if (table_ == &store_->fiches) return ligne <= store_->derniere ? ligne : -1;
            return ficheDeLigne(*store_, static_cast<std::size_t>(ligne), f->numero);
        }
        default: return {};
    }
}

QVariant ModeleListe::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole: return texteLigne(index.row());
        // Every line has the same height; the width follows the list, whose lines are cut
        // at its right edge.
        case Qt::SizeHintRole: return QSize(1, kHauteurLigne);
        default: return donneeFiche(index.row(), role);
    }
}

ListeFiches::ListeFiches(QWidget* parent) : QListView(parent), modele_(new ModeleListe(this)) {
    setModel(modele_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    connect(this, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit clique(index.row());
    });
}

void ListeFiches::vider() { modele_->vider(); }

void ListeFiches::montrer(const TableFiches& table, int nombre) {
    selectionModel()->clear();
    modele_->montrer(table, nombre);
}

int ListeFiches::nombreLignes() const { return modele_->rowCount(); }

QString ListeFiches::texteLigne(int ligne) const { return modele_->texteLigne(ligne); }

int ListeFiches::indexSelectionne() const {
    const QModelIndexList choisies = selectionModel()->selectedRows();
    return choisies.isEmpty() ? -1 : choisies.first().row();
}

void ListeFiches::selectionner(int ligne) {
    if (ligne < 0 || ligne >= nombreLignes()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = modele_->index(ligne);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void ListeFiches::keyPressEvent(QKeyEvent* event) {
    const int avant = indexSelectionne();
    QListView::keyPressEvent(event);
    const int apres = indexSelectionne();
    if (apres != -1 && apres != avant) emit clique(apres);
}
