#include "bases/dialogue_versions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "bases/modele_differences.h"
#include "core/cp1252.h"
#include "core/repertoire_images.h"
#include "ui/progression.h"
#include "ui/tform1.h"

namespace {

constexpr int kRoleChemin = Qt::UserRole;       // the file's path, file-system bytes
constexpr int kRoleVersion = Qt::UserRole + 1;  // a kept version, not another file

QString nomAffiche(const std::string& chemin) { return QFile::decodeName(QByteArray::fromStdString(chemin)); }

QString fichesEn(std::size_t n) {
    return QStringLiteral("%1 %2").arg(n).arg(n > 1 ? QStringLiteral("fiches") : QStringLiteral("fiche"));
}

QString quandEn(const std::tm& t) {
    const QDateTime quand(QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday), QTime(t.tm_hour, t.tm_min, t.tm_sec));
    return quand.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString texteChampUtf8(std::string_view cp1252) { return QString::fromStdString(cp1252VersUtf8(cp1252)); }

// A card as the side-by-side texts show it: number, title, description, picture name.
QString texteFiche(const Fiche* f) {
    if (!f) return QStringLiteral("(absente)");
    std::string_view image = texteChamp(f->image);
    if (!image.empty() && image.front() == '\\') image.remove_prefix(1);
    return QStringLiteral("n° %1\n%2\n\n%3\n\nimage : %4")
        .arg(f->numero)
        .arg(texteChampUtf8(texteChamp(f->titre)),
             QString::fromStdString(lignesVersFenetre(cp1252VersUtf8(texteChamp(f->description)))),
             image.empty() ? QStringLiteral("aucune") : texteChampUtf8(image));
}

// A line listed with the reason it cannot be read, and out of reach: it cannot be chosen.
void rendreIllisible(QListWidgetItem* ligne, const QString& texte, const std::string& raison) {
    ligne->setText(texte + QStringLiteral(" — illisible : ") + QString::fromStdString(raison));
    ligne->setFlags(Qt::NoItemFlags);
}

QString resumeLu(const Comparaison& c) {
    return QStringLiteral("%1 seulement dans la version, %2 seulement dans la base ouverte, %3 changées")
        .arg(c.seulementAutre)
        .arg(c.seulementOuverte)
        .arg(c.changees);
}

}  // namespace

DialogueVersions::DialogueVersions(QWidget* parent, const MagasinFiches& store, Plateforme& plateforme,
                                   Actions actions)
    : QDialog(parent), store_(store), plateforme_(plateforme), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("DialogueVersions"));
    setWindowTitle(QStringLiteral("versions précédentes"));
    creerControles();
    remplirVersions();
    actualiserBoutons();
}

DialogueVersions::~DialogueVersions() = default;

void DialogueVersions::creerControles() {
    const auto bouton = [this](const char* nom, const QString& legende) {
        auto* b = new QPushButton(legende, this);
        b->setObjectName(QString::fromLatin1(nom));
        // No button is pressed by Enter from elsewhere (see keyPressEvent).
        b->setAutoDefault(false);
        return b;
    };
    const auto etiquette = [this](const char* nom, const QString& texte, QWidget* pour) {
        auto* l = new QLabel(texte, this);
        l->setObjectName(QString::fromLatin1(nom));
        l->setBuddy(pour);
        return l;
    };
    const auto texte = [this](const char* nom, const QString& lu) {
        auto* t = new QPlainTextEdit(this);
        t->setObjectName(QString::fromLatin1(nom));
        t->setReadOnly(true);
        // Read-only: the keyboard moves through the text, and Tab leaves it.
        t->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        t->setTabChangesFocus(true);
        t->setAccessibleName(lu);
        return t;
    };

    versions_ = new QListWidget(this);
    versions_->setObjectName(QStringLiteral("versions"));
    versions_->setAccessibleName(QStringLiteral("versions de la base"));
    etiquetteVersions_ = etiquette("etiquetteVersions", QStringLiteral("Versions de la base :"), versions_);
    comparerAutre_ = bouton("comparerAutre", QStringLiteral("comparer avec une autre base…"));
    resume_ = new QLabel(QStringLiteral("choisissez une version"), this);
    resume_->setObjectName(QStringLiteral("resume"));
    resume_->setAccessibleName(QStringLiteral("comparaison"));
    resume_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    modele_ = new ModeleDifferences(this);
    differences_ = new QListView(this);
    differences_->setObjectName(QStringLiteral("differences"));
    differences_->setModel(modele_);
    differences_->setUniformItemSizes(true);
    differences_->setSelectionMode(QAbstractItemView::SingleSelection);
    differences_->setAccessibleName(QStringLiteral("fiches différentes"));
    etiquetteDifferences_ = etiquette("etiquetteDifferences",
                                      QStringLiteral("Fiches différentes (Espace : choisir) :"), differences_);
    texteAutre_ = texte("texteAutre", QStringLiteral("fiche de la version"));
    etiquetteAutre_ = etiquette("etiquetteAutre", QStringLiteral("dans la version"), texteAutre_);
    texteOuverte_ = texte("texteOuverte", QStringLiteral("fiche de la base ouverte"));
    etiquetteOuverte_ = etiquette("etiquetteOuverte", QStringLiteral("dans la base ouverte"), texteOuverte_);

    recuperer_ = bouton("recuperer", QStringLiteral("récupérer les fiches choisies"));
    revenir_ = bouton("revenir", QStringLiteral("revenir à cette version"));
    fermer_ = bouton("fermer", QStringLiteral("Fermer"));

    auto* autre = new QHBoxLayout;
    autre->addWidget(comparerAutre_);
    autre->addWidget(resume_, 1);
    const auto colonne = [](QLabel* l, QWidget* w) {
        auto* c = new QVBoxLayout;
        c->addWidget(l);
        c->addWidget(w, 1);
        return c;
    };
    auto* cotes = new QHBoxLayout;
    cotes->addLayout(colonne(etiquetteDifferences_, differences_), 1);
    cotes->addLayout(colonne(etiquetteAutre_, texteAutre_), 1);
    cotes->addLayout(colonne(etiquetteOuverte_, texteOuverte_), 1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(recuperer_);
    actions->addWidget(revenir_);
    actions->addStretch(1);
    actions->addWidget(fermer_);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(etiquetteVersions_);
    tout->addWidget(versions_);
    tout->addLayout(autre);
    tout->addLayout(cotes, 1);
    tout->addLayout(actions);
    resize(960, 600);

    // The order of the eye: top to bottom, left to right.
    QWidget* ordre[] = {versions_, comparerAutre_, differences_, texteAutre_, texteOuverte_,
                        recuperer_, revenir_, fermer_};
    for (std::size_t i = 0; i + 1 < std::size(ordre); ++i) setTabOrder(ordre[i], ordre[i + 1]);
    versions_->setFocus();

    connect(versions_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* ligne) { choisir(ligne); });
    // Enter or a double click reads a line again, after a reading stopped half-way.
    connect(versions_, &QListWidget::itemActivated, this, [this](QListWidgetItem* ligne) { choisir(ligne); });
    connect(differences_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& ligne) { montrerDifference(ligne.isValid() ? ligne.row() : -1); });
    connect(modele_, &ModeleDifferences::choixChange, this, &DialogueVersions::actualiserBoutons);
    connect(comparerAutre_, &QPushButton::clicked, this, &DialogueVersions::comparerAutreClick);
    connect(recuperer_, &QPushButton::clicked, this, &DialogueVersions::recupererClick);
    connect(revenir_, &QPushButton::clicked, this, &DialogueVersions::revenirClick);
    connect(fermer_, &QPushButton::clicked, this, &QDialog::reject);
}

QListWidgetItem* DialogueVersions::ajouterLigne(const QString& texte, std::size_t fiches, const std::string& chemin,
                                                bool version, const std::string& raison) {
    auto* ligne = new QListWidgetItem(versions_);
    ligne->setData(kRoleChemin, QByteArray::fromStdString(chemin));
    ligne->setData(kRoleVersion, version);
    ligne->setToolTip(nomAffiche(chemin));
    if (raison.empty()) {
        ligne->setText(texte + QStringLiteral(" — ") + fichesEn(fiches));
    } else {
        rendreIllisible(ligne, texte, raison);
    }
    return ligne;
}

void DialogueVersions::remplirVersions() {
    for (const VersionBase& v : versionsBase(store_.cheminBase.str())) {
        ajouterLigne(quandEn(v.quand), v.fiches, v.chemin, true, v.raison);
    }
}

void DialogueVersions::choisir(QListWidgetItem* ligne) {
    if (!ligne || !(ligne->flags() & Qt::ItemIsEnabled) || ligne == ligneLue_) return;
    // The table read before goes first: two large versions are never held at once.
    modele_->vider();
    lue_.reset();
    ligneLue_ = nullptr;
    montrerDifference(-1);
    actualiserBoutons();

    const std::string chemin = ligne->data(kRoleChemin).toByteArray().toStdString();
    auto lue = std::make_unique<BaseLue>();
    bool interrompue = false;
    horloge_.start();
    const std::string raison = lireBase(chemin, *lue, [this, &interrompue](uint64_t lu, uint64_t total) {
        interrompue = !progression(lu, total);
        return !interrompue;
    });
    dialogueProgression_.reset();
    if (interrompue) {
        resume_->setText(QStringLiteral("lecture interrompue"));
        resume_->setAccessibleName(QStringLiteral("comparaison"));
        return;
    }
    if (!raison.empty()) {
        // The file changed since it was listed: it is now listed with its reason.
        rendreIllisible(ligne, ligne->text(), raison);
        resume_->setText(QStringLiteral("choisissez une version"));
        return;
    }
    lue_ = std::move(lue);
    ligneLue_ = ligne;
    // The line compared stays marked, also when the focus reached it without selecting it.
    ligne->setSelected(true);
    const bool version = ligne->data(kRoleVersion).toBool();
    etiquetteAutre_->setText(version ? QStringLiteral("dans la version") : QStringLiteral("dans l'autre base"));
    texteAutre_->setAccessibleName(version ? QStringLiteral("fiche de la version")
                                           : QStringLiteral("fiche de l'autre base"));
    comparer();
}

void DialogueVersions::comparer() {
    comparaison_ = ::comparer(lue_->fiches, lue_->nombre, store_.fiches,
                              static_cast<std::size_t>(store_.nombreFiches()));
    modele_->montrer(&comparaison_, lue_->fiches, store_.fiches);
    resume_->setText(QString::fromStdString(::resume(comparaison_)));
    resume_->setAccessibleName(QStringLiteral("comparaison : ") + resumeLu(comparaison_));
    montrerDifference(-1);
    actualiserBoutons();
}

void DialogueVersions::montrerDifference(int ligne) {
    if (ligne < 0 || ligne >= modele_->rowCount()) {
        texteAutre_->clear();
        texteOuverte_->clear();
        return;
    }
    texteAutre_->setPlainText(texteFiche(modele_->ficheAutre(ligne)));
    texteOuverte_->setPlainText(texteFiche(modele_->ficheOuverte(ligne)));
}

void DialogueVersions::actualiserBoutons() {
    recuperer_->setEnabled(lue_ && modele_->nombreChoisies() > 0);
    revenir_->setEnabled(lue_ && ligneLue_ && ligneLue_->data(kRoleVersion).toBool());
}

bool DialogueVersions::progression(uint64_t lu, uint64_t total) {
    if (!dialogueProgression_) {
        if (horloge_.elapsed() < delaiProgression_) return true;
        dialogueProgression_ = dialogueProgression(QStringLiteral("lecture de la base…"), 1000, this);
        if (!dialogueProgression_) return true;
        dialogueProgression_->show();
    }
    dialogueProgression_->setValue(total == 0 ? 0 : static_cast<int>(lu * 1000 / total));
    // The reading runs on this thread: the dialog is drawn and "Annuler" is seen here.
    QCoreApplication::processEvents();
    return !dialogueProgression_->wasCanceled();
}

void DialogueVersions::comparerAutreClick() {
    const std::optional<std::string> choisi = plateforme_.ouvrirFichier(TForm1::OpenDialog());
    if (!choisi) return;
    for (int i = 0; i < versions_->count(); ++i) {
        QListWidgetItem* l = versions_->item(i);
        if (!l->data(kRoleVersion).toBool() && l->data(kRoleChemin).toByteArray().toStdString() == *choisi &&
            (l->flags() & Qt::ItemIsEnabled)) {
            versions_->setCurrentItem(l);
            return;
        }
    }
    std::size_t fiches = 0;
    const std::string raison = raisonIlisible(*choisi, fiches);
    QListWidgetItem* ligne = ajouterLigne(QStringLiteral("autre base : ") + nomAffiche(*choisi), fiches, *choisi, false, raison);
    if (raison.empty()) versions_->setCurrentItem(ligne);
    versions_->setFocus();
}

void DialogueVersions::recupererClick() {
    if (!lue_ || modele_->nombreChoisies() == 0) return;
    const bool version = ligneLue_->data(kRoleVersion).toBool();
    const std::string repertoireAutre =
        version ? std::string() : cheminRepertoireImages(ligneLue_->data(kRoleChemin).toByteArray().toStdString());
    const std::vector<Difference> choisies = modele_->choisies();
    // The differences point into both tables: none is shown while the open one changes.
    modele_->vider();
    actions_.recuperer(lue_->fiches, choisies, repertoireAutre);
    comparer();
    differences_->setFocus();
}

void DialogueVersions::revenirClick() {
    if (!lue_ || !ligneLue_ || !ligneLue_->data(kRoleVersion).toBool()) return;
    // The version's cards leave the dialog once the user has answered the save prompt: none is
    // shown from then on.
    modele_->vider();
    if (!actions_.revenir(*lue_)) {
        comparer();
        return;
    }
    lue_.reset();
    ligneLue_ = nullptr;
    accept();
}

void DialogueVersions::keyPressEvent(QKeyEvent* evenement) {
    if (evenement->key() == Qt::Key_Return || evenement->key() == Qt::Key_Enter) {
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled()) b->click();
        return;
    }
    QDialog::keyPressEvent(evenement);
}
