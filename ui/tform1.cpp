#include "ui/tform1.h"

#include <QAction>
#include <QFontMetrics>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <exception>
#include <new>
#include <string_view>

#include "platform/rapport_erreur.h"
#include "ui/accessibilite.h"
#include "ui/agrandissement.h"
#include "ui/liste_fiches.h"
#include "ui/cadre_image.h"
#include "ui/memo.h"
#include "ui/updown.h"

namespace {

// The layout was drawn at 120 dots per inch; its pixels are used as they are.
constexpr int kLargeurClient = 709;
// The outer 717 x 553 less a 4-pixel frame on each side and the title bar; the menu bar is
// part of the window here.
constexpr int kHauteurFenetre = 527;
constexpr int kPoliceFenetre = 14;
constexpr int kPolice15 = 15;
// Bytes of a card's description field, less its terminating zero.
constexpr std::size_t kOctetsDescription = 511;
constexpr int kTitreMax = 255;
constexpr int kExpressionMax = 255;

const QColor kMarine(0, 0, 128);
const QColor kRouge(255, 0, 0);
const QColor kJaune(255, 255, 0);
const QColor kBleu(0, 0, 255);
const QColor kNoir(0, 0, 0);

QFont police(int pixels, bool gras = false, bool italique = false) {
    QFont f;
    // "MS Sans Serif" is rarely installed here; Liberation Sans has close metrics.
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(gras);
    f.setItalic(italique);
    return f;
}

// The look of a control: 0 pixels keeps the window font, an invalid colour the system one.
struct Aspect {
    int pixels = 0;
    QColor couleur;
    bool gras = false;
    bool italique = false;
};

// The font of a look; its colour is the window's to set (appliquerCouleurs).
void appliquer(QWidget* w, const Aspect& a) {
    if (a.pixels != 0) w->setFont(police(a.pixels, a.gras, a.italique));
}

constexpr const char* kFond = "brevandoux-fond";

// The background of a box, and the text colour the system pairs with it: a dark desktop may
// keep a light info background, on which its light window text would not read.
void fond(QWidget* w, QPalette::ColorRole source) {
    // Remembered on the box, so that a new desktop palette can be taken up (reprendreFonds).
    w->setProperty(kFond, static_cast<int>(source));
    QPalette p = w->palette();
    const QPalette& systeme = QApplication::palette();
    p.setColor(QPalette::Base, systeme.color(source));
    // A disabled box keeps the desktop's grey text.
    const QPalette::ColorRole texte = source == QPalette::ToolTipBase ? QPalette::ToolTipText : QPalette::Text;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) p.setColor(g, QPalette::Text, systeme.color(g, texte));
    w->setPalette(p);
}

// The layout was measured with "MS Sans Serif", narrower than the fonts found here: a label
// whose text would be cut takes the narrow face of the same height instead.
void ajusterLargeur(QLabel* l) {
    const QFontMetrics m(l->font());
    const bool coupe = l->wordWrap() ? l->heightForWidth(l->width()) > l->height()
                                     : m.horizontalAdvance(l->text()) > l->width();
    if (!coupe) return;
    QFont f = l->font();
    f.setFamilies({QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Nimbus Sans Narrow"),
                   QStringLiteral("DejaVu Sans Condensed")});
    f.setStretch(QFont::Condensed);
    l->setFont(f);
}

template <class W>
W* placer(W* w, const char* nom, int gauche, int haut, int largeur, int hauteur) {
    if (nom != nullptr) w->setObjectName(QString::fromLatin1(nom));
    w->setGeometry(gauche, haut, largeur, hauteur);
    return w;
}

}  // namespace

void TForm1::reprendreFonds() {
    for (QWidget* w : findChildren<QWidget*>()) {
        const QVariant source = w->property(kFond);
        if (source.isValid()) fond(w, static_cast<QPalette::ColorRole>(source.toInt()));
    }
}

TForm1::TForm1(Plateforme& plateforme, QWidget* parent)
    : QMainWindow(parent), plateforme_(plateforme), store_(plateforme) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Brevandoux"));
    chargerRessources();
    setWindowIcon(QIcon(QStringLiteral(":/brevandoux/icone.png")));
    setFont(police(kPoliceFenetre));
    move(193, 90);

    creerControles();
    creerMenus();
    ordreTabulation();
    appliquerCouleurs();
    resize(kLargeurClient, kHauteurFenetre);
    agrandissement_ = new Agrandissement(*this, QSize(kLargeurClient, kHauteurFenetre));

    connecterGestionnaires();
    creerMenuRecentes();
    setAcceptDrops(true);
    raccourcisBoutons();
    rendreAccessible(*this);
    actualiserAnnulation();
}

TForm1::~TForm1() = default;

void TForm1::creerControles() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    struct Etiquette {
        QLabel** membre;
        const char* nom;
        const char* legende;
        QRect rect;
        Aspect aspect;
    };
    const Etiquette etiquettes[] = {
        {&Label2_, "Label2", "Reference", {0, 0, 63, 16}, {kPolice15, kRouge}},
        {&Label1_, "Label1", "Titre", {69, 0, 27, 16}, {kPolice15, kMarine}},
        {&etiquettePosition_, nullptr, "position", {276, 0, 47, 16}, {kPolice15, kJaune}},
        {&Label4_, "Label4", "Total :", {325, 0, 37, 16}, {}},
        {&Label3_, "Label3", "Description", {79, 256, 68, 16}, {kPolice15, kMarine}},
        {&Label5_, "Label5", "rechercher dans toutes les entrées", {286, 448, 100, 48},
         {kPolice15, kBleu}},
    };
    for (const Etiquette& e : etiquettes) {
        auto* l = new QLabel(QString::fromUtf8(e.legende), client);
        placer(l, e.nom, e.rect.x(), e.rect.y(), e.rect.width(), e.rect.height());
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        appliquer(l, e.aspect);
        if (e.aspect.couleur.isValid()) couleursDecrites_.push_back({l, QPalette::WindowText, QPalette::Window, e.aspect.couleur});
        *e.membre = l;
    }
    Label5_->setWordWrap(true);
    for (const Etiquette& e : etiquettes) ajusterLargeur(*e.membre);

    struct Boite {
        QLineEdit** membre;
        const char* nom;
        const char* texte;
        QRect rect;
    };
    const Boite boites[] = {
        {&numero_, "numero", "0", {0, 20, 60, 24}},
        {&titre_, "titre", "titre", {69, 20, 178, 24}},
        {&position_, "position", "0", {276, 20, 40, 24}},
        {&total_, "total", "0", {325, 20, 41, 24}},
        {&chemin_, "chemin", "", {394, 10, 296, 24}},
        {&expression_, "expression", "", {394, 453, 178, 24}},
    };
    for (const Boite& b : boites) {
        auto* e = new QLineEdit(QString::fromUtf8(b.texte), client);
        placer(e, b.nom, b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height());
        fond(e, QPalette::ToolTipBase);
        e->setCursorPosition(0);
        *b.membre = e;
    }
    titre_->setReadOnly(true);
    titre_->setMaxLength(kTitreMax);
    chemin_->setReadOnly(true);
    expression_->setMaxLength(kExpressionMax);
    fond(expression_, QPalette::Base);

    description_ = placer(new Memo(client), "description", 79, 276, 178, 178);
    description_->setLimiteOctets(kOctetsDescription);
    description_->setReadOnly(true);
    description_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    fond(description_, QPalette::ToolTipBase);
    {
        // The selection stays visible when the box loses the focus.
        QPalette p = description_->palette();
        for (QPalette::ColorRole r : {QPalette::Highlight, QPalette::HighlightedText}) {
            p.setColor(QPalette::Inactive, r, p.color(QPalette::Active, r));
        }
        description_->setPalette(p);
    }

    medialist_ = placer(new ListeFiches(client), "medialist", 394, 49, 296, 346);
    medialist_->modele()->relier(store_);
    fond(medialist_, QPalette::ToolTipBase);

    UpDown_ = placer(new TUpDown(client), "UpDown", 7, 59, 61, 60);

    GroupBox1_ = placer(new QGroupBox(QStringLiteral("Vue"), client), "GroupBox1", 69, 49, 198, 208);
    GroupBox1_->setFocusPolicy(Qt::NoFocus);
    appliquer(GroupBox1_, {kPolice15, kMarine});
    couleursDecrites_.push_back({GroupBox1_, QPalette::WindowText, QPalette::Window, kMarine});
    Imagevue_ = placer(new CadreImage(GroupBox1_), "Imagevue", 10, 20, 178, 178);

    struct Bouton {
        QPushButton** membre;
        const char* nom;
        const char* legende;
        QRect rect;
        Aspect aspect;
    };
    const Bouton boutons[] = {
        {&ButtonQuit_, "ButtonQuit", "&Quitter", {7, 454, 61, 30}, {}},
        {&debut_, "debut", "Début", {7, 138, 61, 31}, {}},
        {&fin_, "fin", "&Fin", {7, 177, 61, 31}, {}},
        {&listalfa_, "listalfa", "&Liste complète", {271, 59, 119, 31}, {}},
        {&newbase_, "newbase", "&Nouvelle Base", {271, 97, 119, 31}, {}},
        {&ouvrir_, "ouvrir", "&Ouvrir base", {271, 134, 119, 31}, {}},
        {&savemybase_, "savemybase", "Sauver &base", {271, 172, 119, 31}, {}},
        {&sauver_, "sauver", "&Sauver base sous", {271, 210, 119, 31}, {}},
        {&trialfa_, "trialfa", "Tri &alphabétique", {271, 247, 119, 31}, {}},
        {&triref_, "triref", "Tri &referentiel", {271, 286, 119, 30}, {}},
        {&nouvelle_, "nouvelle", "Ajouter", {263, 325, 64, 31}, {kPolice15, kMarine}},
        {&modif_, "modif", "&Modifier", {263, 364, 64, 31}, {}},
        {&supprime_, "supprime", "&Supprimer", {263, 404, 64, 30}, {}},
        {&image_, "image", "Image", {335, 325, 60, 21}, {kPolice15, kMarine, true}},
        {&valider_, "valider", "&Valider", {335, 354, 60, 21}, {kPolice15, kRouge, true}},
        {&annuler_, "annuler", "&Annuler", {335, 384, 60, 21}, {kPolice15, {}, true}},
        {&goButton_, "goButton", "trou&ver", {581, 450, 109, 31}, {}},
        {&ButtonPrintList_, "ButtonPrintList", "Imprimer la liste", {473, 404, 129, 21},
         {kPolice15, kNoir, true, true}},
        {&ButtonImpFiche_, "ButtonImpFiche", "Imprimer la fiche", {105, 460, 131, 24},
         {kPolice15, {}, true, true}},
    };
    for (const Bouton& b : boutons) {
        auto* p = new QPushButton(QString::fromUtf8(b.legende), client);
        placer(p, b.nom, b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height());
        p->setAutoDefault(false);
        appliquer(p, b.aspect);
        if (b.aspect.couleur.isValid()) couleursDecrites_.push_back({p, QPalette::ButtonText, QPalette::Button, b.aspect.couleur});
        *b.membre = p;
    }
    // Not a tab stop, but a click still gives it the focus.
    nouvelle_->setFocusPolicy(Qt::ClickFocus);
    image_->hide();
    valider_->hide();
    annuler_->hide();
    savemybase_->setEnabled(false);

    // Enter in these boxes and in the list presses the default button; description keeps it.
    for (QWidget* w : {static_cast<QWidget*>(numero_), static_cast<QWidget*>(titre_),
                       static_cast<QWidget*>(position_), static_cast<QWidget*>(total_),
                       static_cast<QWidget*>(chemin_), static_cast<QWidget*>(expression_),
                       static_cast<QWidget*>(medialist_)}) {
        w->installEventFilter(this);
    }
}

void TForm1::creerMenus() {
    QMenuBar* barre = menuBar();
    barre->setObjectName(QStringLiteral("MainMenu1"));

    const auto texte = [](std::string_view t) { return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())); };
    QMenu* courant = nullptr;
    for (std::size_t i = 0; i < menus::kNombreEntrees; ++i) {
        const menus::Entree& e = menus::kEntrees[i];
        QAction* a = nullptr;
        switch (e.sorte) {
            case menus::Sorte::Menu:
                courant = barre->addMenu(texte(e.legende));
                courant->setObjectName(texte(e.nom));
                a = courant->menuAction();
                break;
            case menus::Sorte::Contextuel:
                courant = new QMenu(this);
                courant->setObjectName(texte(e.nom));
                a = courant->menuAction();
                break;
            case menus::Sorte::SousMenu: {
                auto* sous = new QMenu(texte(e.legende), courant);
                sous->setObjectName(texte(e.nom));
                a = courant->addMenu(sous);
                break;
            }
            case menus::Sorte::Commande:
            case menus::Sorte::Cochable:
                a = courant->addAction(texte(e.legende));
                a->setCheckable(e.sorte == menus::Sorte::Cochable);
                // The desktop's usual keys, shown beside the captions in the menus.
                if (!e.touches.empty()) {
                    a->setShortcuts(QKeySequence::listFromString(texte(e.touches), QKeySequence::PortableText));
                }
                break;
        }
        a->setObjectName(texte(e.nom));
        menus_[i] = a;
    }

    description_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(description_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu()->popup(description_->viewport()->mapToGlobal(p)); });
}

QMenu* TForm1::menu(menus::Nom nom) const { return menus_[nom.rang()]->menu(); }

void TForm1::raccourcisBoutons() {
    // "Ajouter" has no letter of its own in its caption: Insert presses it. A shortcut that
    // clicks the button does nothing while the button is disabled (edit mode) or hidden.
    const auto presser = [this](QPushButton* bouton, const QKeySequence& touche, const char* nom) {
        auto* raccourci = new QShortcut(touche, this);
        raccourci->setObjectName(QString::fromLatin1(nom));
        connect(raccourci, &QShortcut::activated, bouton, [bouton] {
            if (bouton->isEnabled() && bouton->isVisible()) bouton->click();
        });
    };
    presser(nouvelle_, QKeySequence(Qt::Key_Insert), "raccourciAjouter");
    // Delete presses "Supprimer", which asks before deleting. A box being typed in keeps
    // Delete for its text: it claims the key before any shortcut sees it.
    presser(supprime_, QKeySequence(Qt::Key_Delete), "raccourciSupprimer");
    // "&Sauver base sous" and "&Supprimer" both underline S, and two buttons on one letter
    // make Alt+S move the focus between them instead of pressing either. Alt+S belongs to
    // "Sauver base sous", which only opens a dialog; "Supprimer" has Delete.
    supprime_->setShortcut(QKeySequence());
}

void TForm1::ordreTabulation() {
    QWidget* const ordre[] = {ButtonQuit_, numero_,   debut_,    fin_,         listalfa_,
                              newbase_,    ouvrir_,   sauver_,   trialfa_,     triref_,
                              supprime_,   total_,    position_, medialist_,   expression_,
                              goButton_,   titre_,    description_, valider_,  modif_,
                              savemybase_, chemin_,   annuler_,  image_,       ButtonPrintList_,
                              ButtonImpFiche_};
    for (std::size_t i = 1; i < std::size(ordre); ++i) setTabOrder(ordre[i - 1], ordre[i]);
}

QMenuBar* TForm1::MainMenu1() const { return menuBar(); }

DialogueFichier TForm1::SaveDialog() {
    return {QStringLiteral("dat"), QStringLiteral("base d'archivage dat|*.dat"),
            QStringLiteral("enregistrer la base")};
}

DialogueFichier TForm1::OpenDialog() {
    return {QStringLiteral("dat"), QStringLiteral("données caldoverne|*.dat"), QString()};
}

namespace {
// Runs one handler for a signal of a control. An error leaving it is shown here, at the edge of
// the slot, in the standard error display, and the program goes on: Qt leaves an exception
// thrown out of a slot undefined, and its frames between the signal and the event loop are not
// built to be unwound (their objects leak, their state is left half-way).
template <class F>
void executer(Plateforme& plateforme, F&& gestionnaire) {
    executerEnSignalant(&plateforme, std::forward<F>(gestionnaire));
}
}  // namespace

void TForm1::gerer(const std::function<void()>& gestionnaire) { executer(plateforme_, gestionnaire); }

void TForm1::connecterGestionnaires() {
    const auto gere = [this](void (TForm1::*gestionnaire)()) {
        return [this, gestionnaire] { executer(plateforme_, [&] { (this->*gestionnaire)(); }); };
    };
    connect(expression_, &QLineEdit::textChanged, this, gere(&TForm1::expressionChange));

    // The window's own commands, one block per group: buttons by QPushButton::clicked, menu
    // items by QAction::triggered, the spinner by TUpDown::clicked(bool haut), the list by
    // ListeFiches::clique(int ligne). The base, print and exchange commands are connected by
    // their controllers (bases/, print/, echange/), through the accessors.
    // --- navigation and editing ---
    connect(debut_, &QPushButton::clicked, this, gere(&TForm1::debutClick));
    connect(fin_, &QPushButton::clicked, this, gere(&TForm1::finClick));
    connect(UpDown_, &TUpDown::clicked, this,
            [this](bool haut) { executer(plateforme_, [&] { UpDownClick(haut); }); });
    connect(nouvelle_, &QPushButton::clicked, this, gere(&TForm1::nouvelleClick));
    connect(modif_, &QPushButton::clicked, this, gere(&TForm1::modifClick));
    connect(image_, &QPushButton::clicked, this, gere(&TForm1::imageClick));
    connect(valider_, &QPushButton::clicked, this, gere(&TForm1::validerClick));
    connect(annuler_, &QPushButton::clicked, this, gere(&TForm1::annulerClick));
    connect(supprime_, &QPushButton::clicked, this, gere(&TForm1::supprimeClick));
    connect(commande("dupliquerlafiche1"), &QAction::triggered, this, gere(&TForm1::dupliquerlafiche1Click));
    // --- sorting, list selection and search ---
    connect(trialfa_, &QPushButton::clicked, this, gere(&TForm1::trialfaClick));
    connect(triref_, &QPushButton::clicked, this, gere(&TForm1::trirefClick));
    connect(listalfa_, &QPushButton::clicked, this, gere(&TForm1::listalfaClick));
    connect(medialist_, &ListeFiches::clique, this,
            [this](int ligne) { executer(plateforme_, [&] { medialistClick(ligne); }); });
    connect(goButton_, &QPushButton::clicked, this, gere(&TForm1::goButtonClick));
    connect(commande("rechercherlesdoublons1"), &QAction::triggered, this, gere(&TForm1::rechercherlesdoublons1Click));
    connect(commande("rechercheSansAccents1"), &QAction::toggled, this, &TForm1::rechercheSansAccents1Click);
    connect(commande("agrandirlalisteetladescriptionaveclafenetre1"), &QAction::toggled, this,
            &TForm1::agrandirlalisteetladescriptionaveclafenetre1Click);
    connect(commande("couleurscontrastees1"), &QAction::toggled, this, &TForm1::couleurscontrastees1Click);
    // --- About box, help and clipboard ---
    connect(commande("annuler1"), &QAction::triggered, this, gere(&TForm1::annuler1Click));
    connect(commande("retablir1"), &QAction::triggered, this, gere(&TForm1::retablir1Click));
    // Also when the menu opens, whatever changed the history since the last refresh.
    connect(edition1(), &QMenu::aboutToShow, this, &TForm1::actualiserAnnulation);
    connect(commande("propos1"), &QAction::triggered, this, gere(&TForm1::propos1Click));
    connect(commande("aidesurcaldoverne1"), &QAction::triggered, this, gere(&TForm1::aidesurcaldoverne1Click));
    connect(commande("couper1"), &QAction::triggered, this, gere(&TForm1::couper1Click));
    connect(commande("Copier1"), &QAction::triggered, this, gere(&TForm1::Copier1Click));
    connect(commande("Coler1"), &QAction::triggered, this, gere(&TForm1::Coler1Click));
}

std::array<QWidget*, 18> TForm1::controlesDuMode() const {
    return {ButtonImpFiche_, newbase_, debut_,   fin_,      UpDown_,         ButtonQuit_,
            nouvelle_,       listalfa_, ouvrir_, sauver_,   trialfa_,        triref_,
            supprime_,       goButton_, ButtonPrintList_,   modif_, savemybase_, medialist_};
}

void TForm1::verrouiller() {
    image_->show();
    valider_->show();
    annuler_->show();
    fond(titre_, QPalette::Base);
    fond(description_, QPalette::Base);
    titre_->setReadOnly(false);
    description_->setReadOnly(false);
    for (QWidget* w : controlesDuMode()) {
        w->setEnabled(false);
    }
    actualiserAnnulation();
}

void TForm1::deverrouiller() {
    image_->hide();
    annuler_->hide();
    valider_->hide();
    titre_->setReadOnly(true);
    description_->setReadOnly(true);
    description_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    fond(titre_, QPalette::ToolTipBase);
    fond(description_, QPalette::ToolTipBase);
    for (QWidget* w : controlesDuMode()) {
        w->setEnabled(true);
    }
    actualiserAnnulation();
}

void TForm1::expressionChange() {
    boutonParDefaut_ = goButton_;
    goButton_->setDefault(true);
}

void TForm1::closeEvent(QCloseEvent* evenement) {
    bool accepte = !fermeture_;
    // An error of the quit (a configuration that cannot be written) keeps the window open.
    if (fermeture_) executerEnSignalant(&plateforme_, [&] { accepte = fermeture_(); });
    if (accepte) {
        evenement->accept();
    } else {
        evenement->ignore();
    }
}

bool TForm1::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::KeyPress) {
        const int touche = static_cast<QKeyEvent*>(evenement)->key();
        if ((touche == Qt::Key_Return || touche == Qt::Key_Enter) && boutonParDefaut_ &&
            boutonParDefaut_->isEnabled() && !boutonParDefaut_->isHidden()) {
            boutonParDefaut_->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(objet, evenement);
}
