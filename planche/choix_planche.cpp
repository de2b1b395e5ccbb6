#include "planche/choix_planche.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QModelIndex>
#include <algorithm>

#include "planche/fenetre_planche.h"
#include "planche/planche.h"
#include "ui/liste_fiches.h"

ChoixPlanche::ChoixPlanche(FenetrePlanche& fenetre)
    : QObject(&fenetre), planche_(*fenetre.planche()), bilan_(new QLabel(&fenetre)) {
    planche_.setSelectionMode(QAbstractItemView::ExtendedSelection);
    bilan_->setObjectName(QStringLiteral("bilanChoix"));
    bilan_->setAccessibleName(QStringLiteral("fiches choisies"));
    bilan_->setContentsMargins(6, 2, 6, 2);
    fenetre.layout()->addWidget(bilan_);
    planche_.installEventFilter(this);
    planche_.setContextMenuPolicy(Qt::ActionsContextMenu);
    supprimer_ = action("supprimerlesficheschoisies1", QStringLiteral("supprimer les fiches choisies"),
                        QKeySequence(Qt::Key_Delete), &ChoixPlanche::supprimerChoisies);
    imprimer_ = action("imprimerlesficheschoisies1", QStringLiteral("imprimer les fiches choisies"),
                       QKeySequence(Qt::CTRL | Qt::Key_P), &ChoixPlanche::imprimerChoisies);
    exporter_ = action("exporterlesficheschoisies1", QStringLiteral("exporter les fiches choisies…"),
                       QKeySequence(Qt::CTRL | Qt::Key_E), &ChoixPlanche::exporterChoisies);
    copier_ = action("copierlesficheschoisies1", QStringLiteral("copier les fiches choisies dans une autre base…"),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &ChoixPlanche::copierChoisies);
    // The model may be set later and replaced: the count follows whichever selection is there.
    auto suivre = [this] {
        if (QItemSelectionModel* s = planche_.selectionModel()) {
            connect(s, &QItemSelectionModel::selectionChanged, this, &ChoixPlanche::montrerBilan,
                    Qt::UniqueConnection);
            connect(s, &QItemSelectionModel::selectionChanged, this, &ChoixPlanche::suivreChoix,
                    Qt::UniqueConnection);
        }
        montrerBilan();
    };
    suivre();
    if (planche_.model() != nullptr) {
        connect(planche_.model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { enReset_ = true; });
        connect(planche_.model(), &QAbstractItemModel::modelReset, this, [this, suivre] {
            enReset_ = false;
            retrouver();
            suivre();
        });
        connect(planche_.model(), &QAbstractItemModel::layoutChanged, this, suivre);
        // A list shown again in place (a sort, a delete) moves its cards under the rows: rows
        // taken off or added at its end, then every row said changed. The choice is found again
        // by the cards once the rows are said changed, or once the list is empty.
        connect(planche_.model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { enReset_ = true; });
        connect(planche_.model(), &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { enReset_ = true; });
        auto finChangement = [this, suivre] {
            enReset_ = false;
            retrouver();
            suivre();
        };
        connect(planche_.model(), &QAbstractItemModel::dataChanged, this, finChangement);
        connect(planche_.model(), &QAbstractItemModel::rowsRemoved, this, [this, finChangement] {
            if (planche_.model()->rowCount() == 0) finChangement();
        });
    }
}

QAction* ChoixPlanche::action(const char* nom, const QString& texte, const QKeySequence& touche,
                              void (ChoixPlanche::*signal)(const std::vector<uint32_t>&)) {
    auto* a = new QAction(texte, &planche_);
    a->setObjectName(QString::fromLatin1(nom));
    a->setShortcut(touche);
    // The keys belong to the board: the main window keeps its own.
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a->setToolTip(texte);
    a->setStatusTip(texte);
    planche_.addAction(a);
    connect(a, &QAction::triggered, this, [this, signal] {
        const std::vector<uint32_t> c = choisies();
        if (!c.empty()) emit(this->*signal)(c);
    });
    return a;
}

std::vector<uint32_t> ChoixPlanche::choisies() const {
    std::vector<uint32_t> r;
    if (planche_.selectionModel() == nullptr) return r;
    QModelIndexList lignes = planche_.selectionModel()->selectedIndexes();
    std::sort(lignes.begin(), lignes.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& i : lignes) {
        const QVariant index = i.data(ModeleListe::RoleIndexFiche);
        if (index.isValid() && index.toInt() >= 0) r.push_back(static_cast<uint32_t>(index.toInt()));
    }
    return r;
}

QString ChoixPlanche::cle(const QModelIndex& ligne) const {
    return ligne.data(ModeleListe::RoleNumero).toString() + QChar(0x1f) + ligne.data(ModeleListe::RoleTitre).toString() +
           QChar(0x1f) + ligne.data(ModeleListe::RoleImage).toString();
}

void ChoixPlanche::suivreChoix(const QItemSelection& choisies, const QItemSelection& laissees) {
    if (enReset_ || retrouvant_) return;
    for (const QModelIndex& i : choisies.indexes()) ++retenues_[cle(i)];
    for (const QModelIndex& i : laissees.indexes()) {
        const auto r = retenues_.find(cle(i));
        if (r != retenues_.end() && --r.value() == 0) retenues_.erase(r);
    }
}

void ChoixPlanche::retrouver() {
    // A list emptied before it is refilled keeps what is to be found in the next one.
    if (retenues_.isEmpty() || planche_.model() == nullptr || planche_.selectionModel() == nullptr ||
        planche_.model()->rowCount() == 0) {
        return;
    }
    QAbstractItemModel& modele = *planche_.model();
    QHash<QString, int> aTrouver = retenues_;
    QHash<QString, int> trouvees;
    // Runs of rows, in one pass: merging row by row would cost the square of the count.
    QItemSelection choix;
    int debut = -1, fin = -1;
    auto fermer = [&] {
        if (debut >= 0) choix.append(QItemSelectionRange(modele.index(debut, 0), modele.index(fin, 0)));
        debut = -1;
    };
    for (int ligne = 0, n = modele.rowCount(); ligne < n && !aTrouver.isEmpty(); ++ligne) {
        const QString c = cle(modele.index(ligne, 0));
        const auto trouvee = aTrouver.find(c);
        if (trouvee == aTrouver.end()) continue;
        if (--trouvee.value() == 0) aTrouver.erase(trouvee);
        ++trouvees[c];
        if (debut >= 0 && ligne != fin + 1) fermer();
        if (debut < 0) debut = ligne;
        fin = ligne;
    }
    fermer();
    // The cards gone (deleted) are chosen no more.
    retenues_ = trouvees;
    retrouvant_ = true;
    planche_.selectionModel()->select(choix, QItemSelectionModel::ClearAndSelect);
    retrouvant_ = false;
}

QString ChoixPlanche::bilan() const { return bilan_->text(); }

void ChoixPlanche::montrerBilan() {
    const std::size_t n = planche_.selectionModel() ? planche_.selectionModel()->selectedIndexes().size() : 0;
    bilan_->setText(n == 0 ? QStringLiteral("aucune fiche choisie")
                    : n == 1 ? QStringLiteral("1 fiche choisie")
                             : QStringLiteral("%1 fiches choisies").arg(n));
    for (QAction* a : {supprimer_, imprimer_, exporter_, copier_}) {
        if (a != nullptr) a->setEnabled(n > 0);
    }
}

bool ChoixPlanche::eventFilter(QObject* objet, QEvent* evenement) {
    // Space chooses the tile under the cursor or lets it go, the others staying chosen.
    if (objet == &planche_ && evenement->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(evenement);
        if (touche->key() == Qt::Key_Space && touche->modifiers() == Qt::NoModifier &&
            planche_.currentIndex().isValid()) {
            planche_.selectionModel()->select(planche_.currentIndex(), QItemSelectionModel::Toggle);
            return true;
        }
    }
    return QObject::eventFilter(objet, evenement);
}
