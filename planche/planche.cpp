#include "planche/planche.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "planche/dessin_vignette.h"
#include "planche/ordre_vignettes.h"
#include "platform/vignettes.h"
#include "ui/liste_fiches.h"

namespace {
// What the drawn thumbnails may hold, in kilobytes: a few screens of the largest tiles at 2×.
constexpr int kCacheKo = 48 * 1024;
}  // namespace

Planche::Planche(Vignettes& vignettes, QWidget* parent)
    : QListView(parent), vignettes_(vignettes), dessinees_(kCacheKo) {
    setObjectName(QStringLiteral("planche"));
    setAccessibleName(QStringLiteral("planche des images"));
    // Lines of tiles from left to right, wrapped at the board's width. The list's own layout
    // (not the free-moving icon layout, which keeps a tree of every tile's place) with tiles
    // of one size: a million tiles are laid out in batches without stalling the window.
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(4096);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionRectVisible(false);
    setMouseTracking(true);
    setItemDelegate(new DessinVignette(this));
    appliquerTaille();

    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit choisie(index.row());
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int valeur) {
        if (valeur != dernierDefilement_) sens_ = valeur > dernierDefilement_ ? 1 : -1;
        dernierDefilement_ = valeur;
        planifierDemande();
    });
    connect(&vignettes_, &Vignettes::prete, this, [this](const QString& chemin, int pixels) {
        if (pixels != this->pixels()) return;
        dessinees_.remove(chemin);
        viewport()->update();
    });
}

void Planche::setModel(QAbstractItemModel* modele) {
    if (model() != nullptr) disconnect(model(), nullptr, this, nullptr);
    QListView::setModel(modele);
    if (modele == nullptr) return;
    connect(modele, &QAbstractItemModel::modelReset, this, &Planche::planifierDemande);
    connect(modele, &QAbstractItemModel::layoutChanged, this, &Planche::planifierDemande);
    connect(modele, &QAbstractItemModel::rowsInserted, this, &Planche::planifierDemande);
    connect(modele, &QAbstractItemModel::rowsRemoved, this, &Planche::planifierDemande);
    connect(modele, &QAbstractItemModel::dataChanged, this, &Planche::planifierDemande);
    planifierDemande();
}

int Planche::pixels() const { return static_cast<int>(std::lround(taille_ * devicePixelRatioF())); }

void Planche::setTaille(int cote) {
    const auto plusProche = std::min_element(kTailles.begin(), kTailles.end(), [cote](int a, int b) {
        return std::abs(a - cote) < std::abs(b - cote);
    });
    if (*plusProche == taille_) return;
    taille_ = *plusProche;
    appliquerTaille();
}

void Planche::appliquerTaille() {
    dessinees_.clear();
    setGridSize(DessinVignette::tailleTuile(taille_, fontMetrics()));
    verticalScrollBar()->setSingleStep(gridSize().height() / 4);
    // The chosen tile stays in sight through the change.
    if (currentIndex().isValid()) scrollTo(currentIndex());
    planifierDemande();
}

void Planche::changerTaille(int pas) {
    const auto ici = std::find(kTailles.begin(), kTailles.end(), taille_);
    const auto rang = std::clamp<std::ptrdiff_t>((ici - kTailles.begin()) + pas, 0, std::ssize(kTailles) - 1);
    if (kTailles[static_cast<std::size_t>(rang)] == taille_) return;
    setTaille(kTailles[static_cast<std::size_t>(rang)]);
    emit tailleChoisie(taille_);
}

void Planche::setFicheMarquee(int32_t index) {
    if (index == ficheMarquee_) return;
    ficheMarquee_ = index;
    viewport()->update();
}

int Planche::ligneDeFiche(int32_t index) const {
    if (model() == nullptr || index < 0) return -1;
    const int lignes = model()->rowCount();
    // The whole base: a card's tile is at its own index.
    if (index < lignes && model()->index(index, 0).data(ModeleListe::RoleIndexFiche).toInt() == index) return index;
    // Result lines are tied to their card by a search of the table each: only the first few
    // are searched through.
    for (int i = 0; i < std::min(lignes, 256); ++i) {
        if (model()->index(i, 0).data(ModeleListe::RoleIndexFiche).toInt() == index) return i;
    }
    return -1;
}

QPixmap Planche::vignette(const QString& chemin) const {
    if (const QPixmap* deja = dessinees_.object(chemin)) return *deja;
    const int cote = pixels();
    QImage image = vignettes_.image(chemin, cote);
    if (image.isNull()) return {};
    // The cache's size class may be larger than the tile: fitted once here, not at each paint.
    if (image.width() > cote || image.height() > cote) {
        image = image.scaled(cote, cote, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    auto* dessinee = new QPixmap(QPixmap::fromImage(std::move(image)));
    dessinee->setDevicePixelRatio(devicePixelRatioF());
    const QPixmap copie = *dessinee;
    dessinees_.insert(chemin, dessinee, std::max<qsizetype>(1, copie.width() * copie.height() * 4 / 1024));
    return copie;
}

void Planche::planifierDemande() {
    if (demandePrevue_) return;
    demandePrevue_ = true;
    QTimer::singleShot(0, this, [this] {
        demandePrevue_ = false;
        demander();
    });
}

void Planche::demander() {
    if (model() == nullptr || !isVisible()) return;
    const QSize grille = gridSize();
    if (grille.isEmpty()) return;
    EcranPlanche ecran;
    ecran.colonnes = std::max(1, viewport()->width() / grille.width());
    ecran.premiere = verticalScrollBar()->value() / grille.height();
    ecran.lignes = viewport()->height() / grille.height() + 2;
    ecran.total = model()->rowCount();
    ecran.sens = sens_;
    QStringList chemins;
    for (const int ligne : ordreVignettes(ecran)) {
        const QString chemin = model()->index(ligne, 0).data(ModeleListe::RoleImage).toString();
        if (!chemin.isEmpty() && !chemins.contains(chemin)) chemins << chemin;
    }
    vignettes_.demander(chemins, pixels());
}

void Planche::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (currentIndex().isValid()) emit choisie(currentIndex().row());
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::ZoomIn) || (ctrl && (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal))) {
        changerTaille(1);
        return;
    }
    if (event->matches(QKeySequence::ZoomOut) || (ctrl && event->key() == Qt::Key_Minus)) {
        changerTaille(-1);
        return;
    }
    QListView::keyPressEvent(event);
}

void Planche::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QListView::wheelEvent(event);
        return;
    }
    // One step per notch; a touchpad's small turns add up to one.
    molette_ += event->angleDelta().y();
    while (std::abs(molette_) >= 120) {
        changerTaille(molette_ > 0 ? 1 : -1);
        molette_ -= molette_ > 0 ? 120 : -120;
    }
    event->accept();
}

void Planche::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    planifierDemande();
}

void Planche::showEvent(QShowEvent* event) {
    QListView::showEvent(event);
    planifierDemande();
}

void Planche::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    // Another font changes the tiles' height; another screen their pixels.
    if (event->type() == QEvent::FontChange) appliquerTaille();
}
