#include "platform/fenetre_aide.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "core/services.h"
#include "platform/aide.h"
#include "platform/couleurs.h"

FenetreAide::FenetreAide(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FenetreAide"));
    setWindowTitle(QStringLiteral("Aide de Brevandoux"));
    resize(680, 560);

    sommaire_ = new QPushButton(QStringLiteral("&Sommaire"), this);
    precedent_ = new QPushButton(QStringLiteral("&Précédent"), this);
    suivant_ = new QPushButton(QStringLiteral("S&uivant"), this);
    auto* fermer = new QPushButton(QStringLiteral("&Fermer"), this);
    for (QPushButton* b : {sommaire_, precedent_, suivant_, fermer}) b->setAutoDefault(false);

    navigateur_ = new QTextBrowser(this);
    navigateur_->setObjectName(QStringLiteral("navigateur"));
    // Links to other help pages open here; web and mail addresses go to the desktop's own
    // programs.
    navigateur_->setOpenLinks(true);
    navigateur_->setOpenExternalLinks(true);
    // The pages' own colours and the links are made readable on the desktop's palette, each
    // time a page is shown.
    connect(navigateur_, &QTextBrowser::sourceChanged, this,
            [this] { rendreDocumentLisible(*navigateur_->document(), navigateur_->palette()); });

    auto* boutons = new QHBoxLayout;
    boutons->addWidget(sommaire_);
    boutons->addWidget(precedent_);
    boutons->addWidget(suivant_);
    boutons->addStretch(1);
    boutons->addWidget(fermer);
    auto* colonne = new QVBoxLayout(this);
    colonne->addLayout(boutons);
    colonne->addWidget(navigateur_, 1);

    precedent_->setEnabled(false);
    suivant_->setEnabled(false);
    connect(navigateur_, &QTextBrowser::backwardAvailable, precedent_, &QWidget::setEnabled);
    connect(navigateur_, &QTextBrowser::forwardAvailable, suivant_, &QWidget::setEnabled);
    connect(precedent_, &QPushButton::clicked, navigateur_, &QTextBrowser::backward);
    connect(suivant_, &QPushButton::clicked, navigateur_, &QTextBrowser::forward);
    connect(sommaire_, &QPushButton::clicked, this, [this] {
        if (!adresseSommaire_.isEmpty()) navigateur_->setSource(adresseSommaire_);
    });
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);
    auto* echap = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(echap, &QShortcut::activated, this, &QWidget::close);
}

void FenetreAide::ouvrir(const QUrl& adresse, const QUrl& sommaire) {
    adresseSommaire_ = sommaire;
    navigateur_->setSource(adresse);
    // Asking again for the topic on display must still bring it back into view.
    if (adresse.hasFragment()) navigateur_->scrollToAnchor(adresse.fragment());
    show();
    raise();
    activateWindow();
}

QUrl FenetreAide::source() const { return navigateur_->source(); }

void ouvrirAide(QPointer<FenetreAide>& fenetre, const QStringList& dossiers,
                const QString& fichierAide, const QString& sujet, Messages& messages) {
    const QString page = trouverAide(fichierAide, dossiers);
    if (page.isEmpty()) {
        messages.message("Le fichier d'aide " + fichierAide.toStdString() +
                         " est introuvable : l'aide de Brevandoux n'est pas installée.");
        return;
    }
    const QUrl sommaire = QUrl::fromLocalFile(page);
    QUrl adresse = trouverSujet(page, sujet);
    if (adresse.isEmpty()) {
        messages.message("La rubrique " + sujet.toStdString() +
                         " n'existe pas dans le fichier d'aide " + fichierAide.toStdString() + ".");
        adresse = sommaire;
    }
    if (fenetre.isNull()) fenetre = new FenetreAide();
    fenetre->ouvrir(adresse, sommaire);
}
