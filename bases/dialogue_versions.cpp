#include "bases/dialogue_versions.h"

#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>

#include "bases/modele_differences.h"
#include "core/chemin_image.h"
#include "core/cp1252.h"
#include "core/mots_differents.h"
#include "core/repertoire_images.h"
#include "core/services.h"
#include "platform/couleurs.h"
#include "ui/cadre_image.h"
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

// "+ 1 fiche ajoutée, − 2 retirées, ~ 3 modifiées": what the signs of the list mean, in words.
QString legendeDe(const Comparaison& c) {
    const auto accord = [](std::size_t n, const char* mot) {
        return QStringLiteral("%1 %2%3").arg(n).arg(QString::fromUtf8(mot), n > 1 ? QStringLiteral("s") : QString());
    };
    return QStringLiteral("+ %1, \u2212 %2, ~ %3")
        .arg(accord(c.seulementAutre, "fiche") + QStringLiteral(" ") +
                 (c.seulementAutre > 1 ? QStringLiteral("ajoutées") : QStringLiteral("ajoutée")),
             accord(c.seulementOuverte, "retirée"), accord(c.changees, "modifiée"));
}

QString choisiesEn(std::size_t n) {
    return n > 1 ? QStringLiteral("%1 fiches choisies").arg(n) : QStringLiteral("%1 fiche choisie").arg(n);
}

// The side of a picture beside a card's name, in the dialog's pixels.
constexpr int kCoteImage = 48;

// The words of texte at the byte spans given, as marks of the palette's highlight.
QList<QTextEdit::ExtraSelection> marques(QPlainTextEdit& boite, const std::string& texte,
                                         const std::vector<Empan>& mots) {
    QTextCharFormat format;
    format.setBackground(boite.palette().color(QPalette::Active, QPalette::Highlight));
    // The palette's text on its highlight, or black or white when that pair does not read.
    const QColor fond = format.background().color();
    const QColor surligne = boite.palette().color(QPalette::Active, QPalette::HighlightedText);
    format.setForeground(contrasteEntre(surligne, fond) >= 4.5 ? surligne : texteLisibleSur(fond));
    QList<QTextEdit::ExtraSelection> r;
    // The spans count bytes of UTF-8, the document characters of UTF-16.
    const auto position = [&](std::size_t octet) {
        return static_cast<int>(QString::fromUtf8(texte.data(), static_cast<qsizetype>(octet)).size());
    };
    for (const Empan& e : mots) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(boite.document());
        s.cursor.setPosition(position(e.debut));
        s.cursor.setPosition(position(e.fin), QTextCursor::KeepAnchor);
        s.format = format;
        r.push_back(s);
    }
    return r;
}

}  // namespace

DialogueFichier DialogueVersions::dialogueAutreBase() {
    DialogueFichier d = TForm1::OpenDialog();
    d.filtre = QStringLiteral("bases Brevandoux|*.dat");
    return d;
}

DialogueVersions::DialogueVersions(QWidget* parent, const MagasinFiches& store, Plateforme& plateforme,
                                   Actions actions)
    : QDialog(parent), store_(store), plateforme_(plateforme), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("DialogueVersions"));
    setWindowTitle(QStringLiteral("versions précédentes"));
    // A window of its own does not take its owner's font: the window's size is given here.
    if (parent) {
        QFont f = font();
        const QFont& fenetre = parent->font();
        if (fenetre.pixelSize() > 0) {
            f.setPixelSize(fenetre.pixelSize());
        } else {
            f.setPointSizeF(fenetre.pointSizeF());
        }
        setFont(f);
    }
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

    legende_ = new QLabel(this);
    legende_->setObjectName(QStringLiteral("legende"));
    toutChoisir_ = bouton("toutChoisir", QStringLiteral("&tout choisir"));
    rienChoisir_ = bouton("rienChoisir", QStringLiteral("&ne rien choisir"));
    toutChoisir_->setToolTip(QStringLiteral("Alt+T ou Ctrl+A"));
    rienChoisir_->setToolTip(QStringLiteral("Alt+N ou Ctrl+Maj+A"));
    nombreChoisies_ = new QLabel(this);
    nombreChoisies_->setObjectName(QStringLiteral("nombreChoisies"));
    const auto image = [this](const char* nom) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(nom));
        l->setFixedSize(kCoteImage, kCoteImage);
        // Stretched over its square, as the window's frame shows a picture.
        l->setScaledContents(true);
        return l;
    };
    imageAutre_ = image("imageAutre");
    imageOuverte_ = image("imageOuverte");

    recuperer_ = bouton("recuperer", QStringLiteral("récupérer les fiches choisies"));
    revenir_ = bouton("revenir", QStringLiteral("revenir à cette version"));
    fermer_ = bouton("fermer", QStringLiteral("Fermer"));

    auto* autre = new QHBoxLayout;
    autre->addWidget(comparerAutre_);
    autre->addWidget(resume_, 1);
    const auto colonne = [](QLabel* l, QWidget* w, QLabel* vignette) {
        auto* c = new QVBoxLayout;
        if (vignette) {
            auto* tete = new QHBoxLayout;
            tete->addWidget(l, 1);
            tete->addWidget(vignette);
            c->addLayout(tete);
        } else {
            c->addWidget(l);
        }
        c->addWidget(w, 1);
        return c;
    };
    auto* listeDifferences = colonne(etiquetteDifferences_, differences_, nullptr);
    auto* choix = new QHBoxLayout;
    choix->addWidget(toutChoisir_);
    choix->addWidget(rienChoisir_);
    choix->addWidget(nombreChoisies_, 1);
    listeDifferences->addLayout(choix);
    auto* cotes = new QHBoxLayout;
    cotes->addLayout(listeDifferences, 1);
    cotes->addLayout(colonne(etiquetteAutre_, texteAutre_, imageAutre_), 1);
    cotes->addLayout(colonne(etiquetteOuverte_, texteOuverte_, imageOuverte_), 1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(recuperer_);
    actions->addWidget(revenir_);
    actions->addStretch(1);
    actions->addWidget(fermer_);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(etiquetteVersions_);
    tout->addWidget(versions_);
    tout->addLayout(autre);
    tout->addWidget(legende_);
    tout->addLayout(cotes, 1);
    tout->addLayout(actions);
    resize(960, 600);

    // The order of the eye: top to bottom, left to right.
    QWidget* ordre[] = {versions_, comparerAutre_, differences_, toutChoisir_, rienChoisir_, texteAutre_, texteOuverte_,
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
    connect(toutChoisir_, &QPushButton::clicked, this, [this] { modele_->choisirTout(true); });
    connect(rienChoisir_, &QPushButton::clicked, this, [this] { modele_->choisirTout(false); });
    auto* tout1 = new QShortcut(QKeySequence(QStringLiteral("Ctrl+A")), this);
    connect(tout1, &QShortcut::activated, toutChoisir_, &QPushButton::click);
    auto* rien1 = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+A")), this);
    connect(rien1, &QShortcut::activated, rienChoisir_, &QPushButton::click);
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
    std::string raison;
    {
        ProgressionDifferee progression(QStringLiteral("lecture de la base…"), this, delaiProgression_);
        raison = lireBase(chemin, *lue, [&progression, &interrompue](uint64_t lu, uint64_t total) {
            interrompue = !progression(lu, total);
            return !interrompue;
        });
    }
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
    legende_->setText(legendeDe(comparaison_));
    montrerDifference(-1);
    actualiserBoutons();
}

void DialogueVersions::montrerDifference(int ligne) {
    if (ligne < 0 || ligne >= modele_->rowCount()) {
        texteAutre_->clear();
        texteOuverte_->clear();
        montrerImage(imageAutre_, nullptr, {});
        montrerImage(imageOuverte_, nullptr, {});
        return;
    }
    const Fiche* autre = modele_->ficheAutre(ligne);
    const Fiche* ouverte = modele_->ficheOuverte(ligne);
    texteAutre_->setPlainText(texteFiche(autre));
    texteOuverte_->setPlainText(texteFiche(ouverte));
    if (autre && ouverte) {
        const std::string a = texteAutre_->toPlainText().toStdString();
        const std::string o = texteOuverte_->toPlainText().toStdString();
        const MotsDifferents d = motsDifferents(a, o);
        texteAutre_->setExtraSelections(marques(*texteAutre_, a, d.avant));
        texteOuverte_->setExtraSelections(marques(*texteOuverte_, o, d.apres));
    } else {
        texteAutre_->setExtraSelections({});
        texteOuverte_->setExtraSelections({});
    }
    montrerImage(imageAutre_, autre, repertoireImagesLu(autre));
    montrerImage(imageOuverte_, ouverte, store_.repertoireImages.str());
}

std::string DialogueVersions::repertoireImagesLu(const Fiche* fiche) const {
    if (!ligneLue_ || !fiche) return store_.repertoireImages.str();
    return repertoireImageAutre(ligneLue_->data(kRoleChemin).toByteArray().toStdString(),
                                store_.repertoireImages.str(), texteChamp(fiche->image));
}

void DialogueVersions::montrerImage(QLabel* cadre, const Fiche* fiche, const std::string& repertoire) {
    cadre->clear();
    cadre->setToolTip(QString());
    if (!fiche) return;
    const std::string_view nom = texteChamp(fiche->image);
    const std::optional<std::string> chemin = aUneImage(nom) ? cheminImage(repertoire, nom) : std::nullopt;
    auto* fenetre = qobject_cast<TForm1*>(parentWidget());
    if (!chemin || !fenetre) return;
    // Decoded as the window's frame decodes, through its own service and its kept pictures.
    const qreal ratio = devicePixelRatioF();
    try {
        const QImage image = fenetre->Imagevue()->images().image(*chemin, QSize(kCoteImage, kCoteImage) * ratio, ratio);
        cadre->setPixmap(QPixmap::fromImage(image));
        cadre->setToolTip(QString::fromStdString(cheminImageAffiche(repertoire, nom)));
    } catch (const Erreur& e) {
        // The text beside says which picture the card names; the square stays empty.
        cadre->setToolTip(QString::fromStdString(e.what()));
    }
}

void DialogueVersions::actualiserBoutons() {
    recuperer_->setEnabled(lue_ && modele_->nombreChoisies() > 0);
    toutChoisir_->setEnabled(lue_ && modele_->nombreChoisies() < modele_->nombreChoisissables());
    rienChoisir_->setEnabled(lue_ && modele_->nombreChoisies() > 0);
    nombreChoisies_->setText(lue_ ? choisiesEn(modele_->nombreChoisies()) : QString());
    revenir_->setEnabled(lue_ && ligneLue_ && ligneLue_->data(kRoleVersion).toBool());
}

void DialogueVersions::comparerAutreClick() {
    const std::optional<std::string> choisi = plateforme_.ouvrirFichier(dialogueAutreBase());
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
    const std::vector<Difference> choisies = modele_->choisies();
    // The differences point into both tables: none is shown while the open one changes.
    modele_->vider();
    actions_.recuperer(lue_->fiches, choisies, lue_->chemin);
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
