// What a screen reader is told of the main window, read through Qt's accessibility interfaces
// as the accessibility bus reads them: roles, names, the labels of the boxes, the picture's
// description, the values and the states of the two modes.

#include <QAccessible>
#include <QAccessibleInterface>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "core/services.h"
#include "tests/support/fenetre_commune.h"
#include "ui/cadre_image.h"
#include "ui/liste_fiches.h"
#include "ui/memo.h"
#include "ui/updown.h"

namespace {

QAccessibleInterface* acces(QObject* objet) { return QAccessible::queryAccessibleInterface(objet); }

QString nom(QObject* objet) { return acces(objet)->text(QAccessible::Name); }

// The focusable controls of a window that a screen reader would announce without a name.
QStringList sansNom(QWidget* fenetre) {
    QStringList manquants;
    for (QWidget* w : fenetre->findChildren<QWidget*>()) {
        if (w->isWindow() || w->focusPolicy() == Qt::NoFocus) continue;
        QAccessibleInterface* i = acces(w);
        if (i == nullptr || i->text(QAccessible::Name).trimmed().isEmpty()) {
            manquants << QStringLiteral("%1 (%2)").arg(w->objectName(), w->metaObject()->className());
        }
    }
    return manquants;
}

using Accessibilite = FenetreAvecImages;

// The reason the window gives for not showing its current card, or nothing when it shows it.
std::string raisonDeNePasAfficher(TForm1& fenetre) {
    try {
        fenetre.afficherFiche();
    } catch (const Erreur& e) {
        return e.what();
    }
    return {};
}

TEST_F(Accessibilite, everyControl_hasItsRoleAndNameAndTheBoxesTheirLabel) {
    TForm1& f = *fenetre;
    struct Cas {
        QObject* controle;
        QAccessible::Role role;
        const char* nom;
        QWidget* etiquette;  // what labels it, or none
    };
    const Cas cas[] = {
        {f.numero(), QAccessible::EditableText, "Reference", f.Label2()},
        {f.titre(), QAccessible::EditableText, "Titre", f.Label1()},
        {f.position(), QAccessible::EditableText, "position", f.etiquettePosition()},
        {f.total(), QAccessible::EditableText, "Total :", f.Label4()},
        {f.description(), QAccessible::EditableText, "Description", f.Label3()},
        {f.expression(), QAccessible::EditableText, "rechercher dans toutes les entrées", f.Label5()},
        {f.chemin(), QAccessible::EditableText, "chemin de la base", nullptr},
        {f.medialist(), QAccessible::List, "liste des fiches", nullptr},
        {f.UpDown(), QAccessible::Client, "changer de fiche", nullptr},
        // The up arrow moves to the next card (checked below), the down arrow back.
        {f.UpDown()->flecheHaut(), QAccessible::PushButton, "fiche suivante", nullptr},
        {f.UpDown()->flecheBas(), QAccessible::PushButton, "fiche précédente", nullptr},
        {f.GroupBox1(), QAccessible::Grouping, "image de la fiche", nullptr},
        // The frame inside the group box is labelled by it, as Qt labels a group's controls.
        {f.Imagevue(), QAccessible::Graphic, "image de la fiche", f.GroupBox1()},
        {f.Label2(), QAccessible::StaticText, "Reference", nullptr},
        {f.Label1(), QAccessible::StaticText, "Titre", nullptr},
        {f.etiquettePosition(), QAccessible::StaticText, "position", nullptr},
        {f.Label4(), QAccessible::StaticText, "Total :", nullptr},
        {f.Label3(), QAccessible::StaticText, "Description", nullptr},
        {f.Label5(), QAccessible::StaticText, "rechercher dans toutes les entrées", nullptr},
        {f.ButtonQuit(), QAccessible::PushButton, "Quitter", nullptr},
        {f.debut(), QAccessible::PushButton, "Début", nullptr},
        {f.fin(), QAccessible::PushButton, "Fin", nullptr},
        {f.listalfa(), QAccessible::PushButton, "Liste complète", nullptr},
        {f.newbase(), QAccessible::PushButton, "Nouvelle Base", nullptr},
        {f.ouvrir(), QAccessible::PushButton, "Ouvrir base", nullptr},
        {f.savemybase(), QAccessible::PushButton, "Sauver base", nullptr},
        {f.sauver(), QAccessible::PushButton, "Sauver base sous", nullptr},
        {f.trialfa(), QAccessible::PushButton, "Tri alphabétique", nullptr},
        {f.triref(), QAccessible::PushButton, "Tri referentiel", nullptr},
        {f.nouvelle(), QAccessible::PushButton, "Ajouter", nullptr},
        {f.modif(), QAccessible::PushButton, "Modifier", nullptr},
        {f.supprime(), QAccessible::PushButton, "Supprimer", nullptr},
        {f.image(), QAccessible::PushButton, "Image", nullptr},
        {f.valider(), QAccessible::PushButton, "Valider", nullptr},
        {f.annuler(), QAccessible::PushButton, "Annuler", nullptr},
        {f.goButton(), QAccessible::PushButton, "trouver", nullptr},
        {f.ButtonPrintList(), QAccessible::PushButton, "Imprimer la liste", nullptr},
        {f.ButtonImpFiche(), QAccessible::PushButton, "Imprimer la fiche", nullptr},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.controle->objectName().toStdString() + " " + c.nom);
        QAccessibleInterface* i = acces(c.controle);
        ASSERT_NE(i, nullptr);
        EXPECT_EQ(i->role(), c.role);
        EXPECT_EQ(i->text(QAccessible::Name), QString::fromUtf8(c.nom));
        const auto etiquetee = i->relations(QAccessible::Label);
        if (c.etiquette == nullptr) {
            EXPECT_TRUE(etiquetee.isEmpty());
            continue;
        }
        // A box's name is its label's own caption, unchanged, and no '&' in it made a key.
        if (auto* texte = qobject_cast<QLabel*>(c.etiquette)) {
            EXPECT_EQ(texte->text(), QString::fromUtf8(c.nom));
            EXPECT_FALSE(texte->text().contains(u'&'));
        }
        ASSERT_EQ(etiquetee.size(), 1);
        EXPECT_EQ(etiquetee.first().first->object(), c.etiquette);
        bool nommeLaBoite = false;
        for (const auto& [autre, relation] : acces(c.etiquette)->relations(QAccessible::Labelled)) {
            nommeLaBoite = nommeLaBoite || autre->object() == c.controle;
        }
        EXPECT_TRUE(nommeLaBoite);
    }
}

TEST_F(Accessibilite, spinnerArrows_moveTheWayTheirNamesSay) {
    remplir({{1, "a", "", ""}, {2, "b", "", ""}, {3, "c", "", ""}});
    store().courante = 1;
    fenetre->afficherFiche();
    for (QToolButton* fleche : {fenetre->UpDown()->flecheHaut(), fenetre->UpDown()->flecheBas()}) {
        store().courante = 1;
        acces(fleche)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        const int attendue = nom(fleche) == QStringLiteral("fiche suivante") ? 2 : 0;
        EXPECT_EQ(store().courante, attendue) << nom(fleche).toStdString();
    }
}

TEST_F(Accessibilite, everyFocusableControl_hasAName_andAnUnnamedNewOneIsCaught) {
    EXPECT_EQ(sansNom(fenetre.get()), QStringList()) << sansNom(fenetre.get()).join(", ").toStdString();
    // The walk does see a control added without a name.
    auto* nouvelle = new QLineEdit(fenetre->centralWidget());
    nouvelle->setObjectName(QStringLiteral("nouvelleBoite"));
    EXPECT_EQ(sansNom(fenetre.get()), QStringList{QStringLiteral("nouvelleBoite (QLineEdit)")});
}

TEST_F(Accessibilite, pictureDescription_followsEveryDisplay) {
    ecrireImage("base.rep/chat.jpg", Qt::red);
    ecrireImage(QStringLiteral("base.rep/été.jpg"), Qt::blue);
    QFile illisible(QString::fromStdString(repertoire + "/casse.jpg"));
    ASSERT_TRUE(illisible.open(QIODevice::WriteOnly));
    illisible.write("pas une image");
    illisible.close();
    remplir({{1, "avec", "", "\\chat.jpg"},
             {2, "sans", "", ""},
             {3, "absente", "", "\\absente.jpg"},
             // A stored name is file-system bytes: UTF-8 here.
             {4, "accent", "", "\\\xC3\xA9t\xC3\xA9.jpg"},
             {5, "illisible", "", "\\casse.jpg"}});
    CadreImage* cadre = fenetre->Imagevue();
    const auto description = [&] { return acces(cadre)->text(QAccessible::Description); };
    EXPECT_EQ(description(), QStringLiteral("image de départ"));

    struct Cas {
        int32_t courante;
        const char* attendue;
    };
    // Each step after another display, so that a description left from the one before shows.
    const Cas cas[] = {
        {0, "chat.jpg"},
        {2, "absente.jpg non disponible"},
        {1, "aucune image"},
        {3, "été.jpg"},
        {2, "absente.jpg non disponible"},
        {0, "chat.jpg"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.courante);
        store().courante = c.courante;
        fenetre->afficherFiche();
        EXPECT_EQ(description(), QString::fromUtf8(c.attendue));
    }
    // A picture that cannot be decoded: the description gives the reason the user is told.
    store().courante = 4;
    const std::string raison = raisonDeNePasAfficher(*fenetre);
    ASSERT_FALSE(raison.empty());
    EXPECT_EQ(description(), QString::fromStdString(raison));
    // Blanking the card area and choosing a picture while editing are displays too.
    fenetre->viderAffichage();
    EXPECT_EQ(description(), QStringLiteral("aucune image"));
    fenetre->prendreImage(repertoire + "/chat.jpg");
    EXPECT_EQ(description(), QStringLiteral("chat.jpg"));
}

TEST_F(Accessibilite, placeholderThatCannotBeLoaded_isDescribedByTheReason) {
    store().imageDefaut.affecter(chemin("manque/rien.jpg"));
    remplir({{1, "sans", "", ""}});
    const std::string raison = raisonDeNePasAfficher(*fenetre);
    ASSERT_FALSE(raison.empty());
    EXPECT_EQ(acces(fenetre->Imagevue())->text(QAccessible::Description), QString::fromStdString(raison));
}

TEST_F(Accessibilite, numberPositionAndTotal_exposeTheirValuesAsText) {
    remplir({{42, "a", "", ""}, {-7, "b", "", ""}, {9, "c", "", ""}});
    for (int32_t courante : {1, 2}) {
        store().courante = courante;
        fenetre->afficherFiche();
        for (QLineEdit* boite : {fenetre->numero(), fenetre->position(), fenetre->total()}) {
            SCOPED_TRACE(boite->objectName().toStdString());
            QAccessibleInterface* i = acces(boite);
            EXPECT_EQ(i->text(QAccessible::Value), boite->text());
            QAccessibleTextInterface* t = i->textInterface();
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->text(0, t->characterCount()), boite->text());
        }
        EXPECT_EQ(acces(fenetre->numero())->text(QAccessible::Value), courante == 1 ? "-7" : "9");
        EXPECT_EQ(acces(fenetre->position())->text(QAccessible::Value), QString::number(courante));
        EXPECT_EQ(acces(fenetre->total())->text(QAccessible::Value), "2");
    }
}

TEST_F(Accessibilite, listCurrentLine_isTheListsCurrentAccessibleItem) {
    remplir({{1, "Chat", "", ""}, {2, "Lynx", "", ""}, {3, "Puma", "", ""}});
    fenetre->show();
    fenetre->remplirListe();
    ListeFiches* liste = fenetre->medialist();
    QAccessibleInterface* i = acces(liste);
    EXPECT_EQ(i->focusChild(), nullptr);

    const QRect ligne1 = liste->visualRect(liste->model()->index(1, 0));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, ligne1.center());
    QAccessibleInterface* courant = i->focusChild();
    ASSERT_NE(courant, nullptr);
    EXPECT_EQ(courant->text(QAccessible::Name), "2 Lynx");
    EXPECT_TRUE(courant->state().selected);
    EXPECT_EQ(fenetre->titre()->text(), "Lynx");

    liste->setFocus();
    QTest::keyClick(liste, Qt::Key_Down);
    courant = i->focusChild();
    ASSERT_NE(courant, nullptr);
    EXPECT_EQ(courant->text(QAccessible::Name), "3 Puma");
    EXPECT_TRUE(courant->state().selected);
    const QList<QAccessibleInterface*> choisies = i->tableInterface()->selectedCells();
    ASSERT_EQ(choisies.size(), 1);
    EXPECT_EQ(choisies.first()->text(QAccessible::Name), "3 Puma");

    // A refilled list has no line chosen: none is announced as current.
    fenetre->remplirListe();
    EXPECT_EQ(i->focusChild(), nullptr);
}

TEST_F(Accessibilite, editMode_isExposedThroughEnabledAndReadOnlyStates) {
    remplir({{1, "a", "", ""}});
    fenetre->show();
    fenetre->afficherFiche();
    const QList<QWidget*> fermes = {fenetre->ButtonImpFiche(), fenetre->newbase(), fenetre->debut(),
                                    fenetre->fin(), fenetre->UpDown(), fenetre->ButtonQuit(),
                                    fenetre->nouvelle(), fenetre->listalfa(), fenetre->ouvrir(),
                                    fenetre->sauver(), fenetre->trialfa(), fenetre->triref(),
                                    fenetre->supprime(), fenetre->goButton(),
                                    fenetre->ButtonPrintList(), fenetre->modif(),
                                    fenetre->savemybase(), fenetre->medialist()};
    const auto verifier = [&](bool edition, bool depart = false) {
        SCOPED_TRACE(edition ? "edition" : "consultation");
        for (QWidget* texte : {static_cast<QWidget*>(fenetre->titre()),
                               static_cast<QWidget*>(fenetre->description())}) {
            EXPECT_EQ(acces(texte)->state().readOnly, !edition) << texte->objectName().toStdString();
            EXPECT_FALSE(acces(texte)->state().disabled);
        }
        for (QWidget* w : fermes) {
            // "Sauver base" starts disabled, before any base is open.
            const bool ferme = edition || (depart && w == fenetre->savemybase());
            EXPECT_EQ(acces(w)->state().disabled, ferme) << w->objectName().toStdString();
        }
        // The arrows are shut with their spinner.
        EXPECT_EQ(acces(fenetre->UpDown()->flecheHaut())->state().disabled, edition);
        // The boxes the modes leave alone.
        EXPECT_FALSE(acces(fenetre->numero())->state().readOnly);
        EXPECT_TRUE(acces(fenetre->chemin())->state().readOnly);
        EXPECT_FALSE(acces(fenetre->expression())->state().disabled);
        // Valider, Annuler and Image are there only while editing.
        EXPECT_EQ(acces(fenetre->valider())->state().invisible, !edition);
    };
    verifier(false, true);
    fenetre->verrouiller();
    verifier(true);
    fenetre->deverrouiller();
    verifier(false);
}

}  // namespace
