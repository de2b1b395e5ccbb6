// What the user typed is stored as typed, or refused with a word: characters a base cannot
// hold, card numbers, texts at their limits. Every path into the boxes is tried.

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <climits>
#include <cstring>
#include <random>

#include "core/texte_nombre.h"
#include "tests/support/fenetre_commune.h"
#include "ui/memo.h"

namespace {

// The ways a text gets into a box.
enum class Voie { Frappe, CtrlV, Coller, Depot, AccesTexte, AccesValeur };

const char* nomVoie(Voie v) {
    switch (v) {
        case Voie::Frappe: return "frappe";
        case Voie::CtrlV: return "Ctrl+V";
        case Voie::Coller: return "menu Coller";
        case Voie::Depot: return "glisser-déposer";
        case Voie::AccesTexte: return "accessibilité, texte remplacé";
        case Voie::AccesValeur: return "accessibilité, valeur";
    }
    return "";
}

std::string octetsFiche(const Fiche& f) { return std::string(reinterpret_cast<const char*>(&f), sizeof f); }

class SaisieFidele : public FenetreAvecImages {
protected:
    void SetUp() override {
        FenetreAvecImages::SetUp();
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    }

    bool enEdition() const { return !fenetre->valider()->isHidden(); }

    // The box's own widget for keys, drops and assistive technology.
    QWidget* cible(QWidget* boite) {
        if (auto* memo = qobject_cast<Memo*>(boite)) return memo->viewport();
        return boite;
    }

    // Types the text key by key, each character with its own text (a character beyond the
    // BMP in one event, as input methods send it); line breaks with the Enter key.
    void taper(QWidget* boite, const QString& texte) {
        for (qsizetype i = 0; i < texte.size(); ++i) {
            if (texte.at(i) == QLatin1Char('\n')) {
                QTest::keyClick(boite, Qt::Key_Return);
                continue;
            }
            const qsizetype n = texte.at(i).isHighSurrogate() && i + 1 < texte.size() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, boite, Qt::Key_unknown, texte.mid(i, n), Qt::NoModifier);
            i += n - 1;
        }
    }

    void toutEffacer(QWidget* boite) {
        QTest::keyClick(boite, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(boite, Qt::Key_Delete);
    }

    // Puts texte into the box through the given path, in place of what it held.
    void saisir(QWidget* boite, Voie voie, const QString& texte) {
        boite->setFocus();
        switch (voie) {
            case Voie::Frappe:
                toutEffacer(boite);
                taper(boite, texte);
                break;
            case Voie::CtrlV:
                QApplication::clipboard()->setText(texte);
                QTest::keyClick(boite, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(boite, Qt::Key_V, Qt::ControlModifier);
                break;
            case Voie::Coller: {
                // The description's pop-up menu, on its own clipboard text.
                toutEffacer(boite);
                plateforme.pressePapiers = texte;
                fenetre->Coler1()->trigger();
                break;
            }
            case Voie::Depot: {
                toutEffacer(boite);
                QMimeData donnees;
                donnees.setText(texte);
                // The drag enters the box, then drops there.
                QDragEnterEvent entree(QPoint(4, 4), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(cible(boite), &entree);
                QDropEvent depot(QPointF(4, 4), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(cible(boite), &depot);
                break;
            }
            case Voie::AccesTexte: {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(boite);
                ASSERT_NE(a, nullptr);
                ASSERT_NE(a->editableTextInterface(), nullptr);
                ASSERT_NE(a->textInterface(), nullptr);
                a->editableTextInterface()->replaceText(0, a->textInterface()->characterCount(), texte);
                break;
            }
            case Voie::AccesValeur: {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(boite);
                ASSERT_NE(a, nullptr);
                a->setText(QAccessible::Value, texte);
                break;
            }
        }
    }

    QString texteBoite(QWidget* boite) {
        if (auto* memo = qobject_cast<Memo*>(boite)) return memo->texte();
        return static_cast<QLineEdit*>(boite)->text();
    }

    // Two cards on display, the first modified.
    void preparer() {
        remplir({{5, "ancien titre", "ancienne\r\ndescription", ""}, {6, "autre", "", ""}});
        fenetre->remplirListe();
        fenetre->afficherFiche();
        store().modifiee = 0;
        plateforme.oublier();
        fenetre->modif()->click();
        ASSERT_TRUE(enEdition());
    }

    std::string sauverEtRelire() {
        const std::string base = chemin("base.dat");
        EXPECT_EQ(store().ecrireBase(base), 1);
        QFile f(QString::fromStdString(base));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }
};

std::string refus(const std::string& ou, const std::vector<std::string>& noms) {
    std::string liste;
    for (const std::string& n : noms) liste += (liste.empty() ? "" : ", ") + ("« " + n + " »");
    if (noms.size() == 1) {
        return "une base ne peut pas enregistrer ce caractère " + ou + " : " + liste +
               ". Remplacez-le ou retirez-le, puis validez de nouveau";
    }
    return "une base ne peut pas enregistrer ces caractères " + ou + " : " + liste +
           ". Remplacez-les ou retirez-les, puis validez de nouveau";
}

}  // namespace

TEST_F(SaisieFidele, everyPath_storableStoredByteForByte_unstorableNamedAndNothingStored) {
    struct Texte {
        QString fenetre;               // as it reaches the box ('\n' line breaks)
        std::string octets;            // Windows-1252, CR LF; empty when refused
        std::vector<std::string> noms; // the characters the refusal names, in order
    };
    // For the title; the description gets the same with a line break in the middle.
    const Texte textes[] = {
        {QString::fromUtf8("é œ Œ € ’ « » … – — ™ Ÿ"),
         "\xE9 \x9C \x8C \x80 \x92 \xAB \xBB \x85 \x96 \x97 \x99 \x9F", {}},
        {QString::fromUtf8("prix\u00A0: 5\u00A0€ ¿¡ ß Þ ÿ"), "prix\xA0: 5\xA0\x80 \xBF\xA1 \xDF \xDE \xFF", {}},
        {QString::fromUtf8("Łódź"), "", {"Ł", "ź"}},
        {QString::fromUtf8("Ωμέγα"), "", {"Ω", "μ", "έ", "γ", "α"}},
        {QString::fromUtf8("漢字 漢"), "", {"漢", "字"}},
        {QString::fromUtf8("a😀b😀Ł"), "", {"😀", "Ł"}},
        {QString::fromUtf8("ok 😀"), "", {"😀"}},
    };
    const Voie voies[] = {Voie::Frappe, Voie::CtrlV, Voie::Coller, Voie::Depot, Voie::AccesTexte,
                          Voie::AccesValeur};
    for (const bool dansDescription : {false, true}) {
        for (const Texte& t : textes) {
            for (const Voie voie : voies) {
                // The pop-up menu belongs to the description alone.
                if (voie == Voie::Coller && !dansDescription) continue;
                const QString tape = dansDescription ? t.fenetre + "\n" + t.fenetre : t.fenetre;
                SCOPED_TRACE(std::string(nomVoie(voie)) + (dansDescription ? " description " : " titre ") +
                             tape.toStdString());
                preparer();
                const std::string avant = octetsFiche(store().fiches[0]) + octetsFiche(store().fiches[1]);
                QWidget* boite = dansDescription ? static_cast<QWidget*>(fenetre->description())
                                                 : static_cast<QWidget*>(fenetre->titre());
                saisir(boite, voie, tape);
                ASSERT_EQ(texteBoite(boite), tape);
                fenetre->valider()->click();

                if (t.noms.empty()) {
                    EXPECT_FALSE(enEdition());
                    EXPECT_TRUE(plateforme.boites.empty());
                    const std::string attendu = dansDescription ? t.octets + "\r\n" + t.octets : t.octets;
                    const Fiche& f = store().fiches[0];
                    EXPECT_EQ(dansDescription ? texteChamp(f.description) : texteChamp(f.titre), attendu);
                    EXPECT_EQ(store().modifiee, 1);
                    // Shown back as typed, and saved as stored.
                    EXPECT_EQ(texteBoite(boite), tape);
                    const std::string relu = sauverEtRelire();
                    ASSERT_EQ(relu.size(), 2 * sizeof(Fiche));
                    EXPECT_EQ(relu.substr(0, sizeof(Fiche)), octetsFiche(f));
                } else {
                    // Told, once, naming each character; still editing, the text as typed.
                    EXPECT_EQ(plateforme.textes("message"),
                              std::vector<std::string>{refus(dansDescription ? "de la description" : "du titre", t.noms)});
                    EXPECT_TRUE(enEdition());
                    EXPECT_EQ(texteBoite(boite), tape);
                    // Nothing stored, nothing marked.
                    EXPECT_EQ(store().derniere, 1);
                    EXPECT_EQ(octetsFiche(store().fiches[0]) + octetsFiche(store().fiches[1]), avant);
                    EXPECT_EQ(store().modifiee, 0);
                    EXPECT_EQ(sauverEtRelire(), avant);
                    fenetre->annuler()->click();
                }
            }
        }
    }
}

TEST_F(SaisieFidele, unstorableInBothBoxes_oneMessage_eachCharacterOnceInOrder_newCardNotAppended) {
    remplir({{1, "un", "", ""}});
    fenetre->remplirListe();
    fenetre->afficherFiche();
    store().modifiee = 0;
    plateforme.oublier();
    fenetre->nouvelle()->click();
    fenetre->titre()->setText(QString::fromUtf8("Łódź 😀"));
    fenetre->description()->setPlainText(QString::fromUtf8("😀 ź ж e\u0301\u200B"));
    fenetre->valider()->click();
    EXPECT_EQ(plateforme.textes("message"),
              std::vector<std::string>{refus("du titre et de la description",
                                             {"Ł", "ź", "😀", "ж", "\u25CC\u0301", "U+200B"})});
    EXPECT_TRUE(enEdition());
    EXPECT_EQ(store().derniere, 0);
    EXPECT_EQ(store().modifiee, 0);
    EXPECT_EQ(store().ajoutEnCours, 1);
    // The user takes them out: the card is added.
    fenetre->titre()->setText(QString::fromUtf8("Lodz"));
    fenetre->description()->setPlainText(QString::fromUtf8("é"));
    plateforme.oublier();
    fenetre->valider()->click();
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_FALSE(enEdition());
    ASSERT_EQ(store().derniere, 1);
    EXPECT_EQ(texteChamp(store().fiches[1].titre), "Lodz");
    EXPECT_EQ(texteChamp(store().fiches[1].description), "\xE9");
}

TEST_F(SaisieFidele, loneSurrogateOrZeroSetByAssistiveTechnology_isRefusedNotStoredAsSomethingElse) {
    struct Cas {
        QString texte;
        std::string nom;
    };
    const Cas cas[] = {{QString("ab") + QChar(0xD83D), "U+D83D"}, {QString("a") + QChar(0) + "b", "U+0000"}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        preparer();
        const std::string avant = octetsFiche(store().fiches[0]);
        QAccessible::queryAccessibleInterface(fenetre->titre())->setText(QAccessible::Value, c.texte);
        ASSERT_EQ(fenetre->titre()->text(), c.texte);
        fenetre->valider()->click();
        EXPECT_EQ(plateforme.textes("message"), std::vector<std::string>{refus("du titre", {c.nom})});
        EXPECT_EQ(octetsFiche(store().fiches[0]), avant);
        fenetre->annuler()->click();
    }
}

// ---- Numbers ---------------------------------------------------------------------------------

TEST_F(SaisieFidele, numberBox_readBackAsShown_minusIncluded) {
    struct Cas {
        int32_t stocke;
        const char* tape;  // nullptr: the box left as shown
        int32_t attendu;
    };
    const Cas cas[] = {
        {-1, nullptr, -1},
        {INT32_MIN, nullptr, INT32_MIN},
        {static_cast<int32_t>(0x80000001u), nullptr, static_cast<int32_t>(0x80000001u)},
        {INT32_MAX, nullptr, INT32_MAX},
        {0, nullptr, 0},
        {7, "-5", -5},
        {7, "-2147483648", INT32_MIN},
        // Positive numbers as they have always been read.
        {7, "12abc", 12},
        {7, "abc", 0},
        {7, "4294967295", -1},
        {7, "99999999999", 1215752191},
        {7, " -5", 0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.tape ? c.tape : std::to_string(c.stocke));
        remplir({{c.stocke, "titre", "", ""}});
        fenetre->afficherFiche();
        fenetre->modif()->click();
        if (c.tape) fenetre->numero()->setText(c.tape);
        // Only the title changes.
        fenetre->titre()->setText("nouveau titre");
        fenetre->valider()->click();
        EXPECT_EQ(store().fiches[0].numero, c.attendu);
        EXPECT_EQ(texteChamp(store().fiches[0].titre), "nouveau titre");
    }
}

// ---- Limits ----------------------------------------------------------------------------------

TEST_F(SaisieFidele, descriptionLimit_holdsForAssistiveTechnology_neverSplittingALineBreak) {
    struct Cas {
        const char* nom;
        QString avant;
        bool valeur;  // the whole value set, or text inserted at the end
        QString ajout;
        QString attendu;
    };
    const QString a509(509, 'a');
    const QString a510(510, 'a');
    const Cas cas[] = {
        {"value over the limit", {}, true, QString(600, 'x'), QString(511, 'x')},
        {"value ending in a break that does not fit", {}, true, a510 + "\nzz", a510},
        {"value with breaks", {}, true, QString("ab\n").repeated(200), QString("ab\n").repeated(127) + "ab"},
        {"insertion of a break at 510 bytes", a509 + "a", false, "\nb", a510},
        {"insertion that fits", a509, false, "\n", a509 + "\n"},
        {"insertion past the limit", a509, false, "bcd", a509 + "bc"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        preparer();
        Memo* memo = fenetre->description();
        memo->setPlainText(c.avant);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(memo);
        ASSERT_NE(a, nullptr);
        if (c.valeur) {
            a->setText(QAccessible::Value, c.ajout);
        } else {
            ASSERT_NE(a->editableTextInterface(), nullptr);
            a->editableTextInterface()->insertText(a->textInterface()->characterCount(), c.ajout);
        }
        EXPECT_EQ(memo->texte(), c.attendu);
        EXPECT_LE(octetsEnFiche(memo->texte().toStdString()), 511u);
        fenetre->valider()->click();
        EXPECT_FALSE(enEdition());
        const std::string_view d = texteChamp(store().fiches[0].description);
        EXPECT_EQ(d, lignesVersFiche(c.attendu.toStdString()));
        EXPECT_NE(d.empty() ? '\0' : d.back(), '\r');
    }
}

TEST_F(SaisieFidele, descriptionOverItsFieldAtValider_isToldAndKept_notCut) {
    // A text that only the program could put there (shown from a stored card, say).
    preparer();
    const QString longue = QString("ligne\n").repeated(80);  // 80 x 7 bytes once stored
    fenetre->description()->montrer(longue);
    const std::string avant = octetsFiche(store().fiches[0]);
    fenetre->valider()->click();
    EXPECT_EQ(plateforme.textes("message"),
              std::vector<std::string>{"la description compte 560 caractères (chaque saut de ligne en "
                                       "compte deux), plus que les 511 qu'une fiche peut garder : "
                                       "raccourcissez-la, puis validez de nouveau"});
    EXPECT_TRUE(enEdition());
    EXPECT_EQ(fenetre->description()->texte(), longue);
    EXPECT_EQ(octetsFiche(store().fiches[0]), avant);
    EXPECT_EQ(store().modifiee, 0);
}

// ---- Unchanged cards -------------------------------------------------------------------------

TEST_F(SaisieFidele, randomCards_modifiedAndValidatedUnchanged_keepEveryByte) {
    std::mt19937 hasard(20261207);
    auto tirer = [&](uint32_t n) { return static_cast<uint32_t>(hasard() % n); };
    // Every byte a card text may hold as typed: tab, then 0x20..0xFF (the unassigned codes
    // and the no-break space included); line breaks come as CR LF pairs.
    auto octetAuHasard = [&] {
        const uint32_t k = tirer(225);
        return k == 0 ? '\t' : static_cast<char>(0x20 + (k - 1));
    };
    auto texteAuHasard = [&](std::size_t limite, bool lignes) {
        // Some texts fill their field to the last byte.
        const std::size_t longueur = tirer(4) == 0 ? limite : tirer(static_cast<uint32_t>(limite + 1));
        std::string t;
        while (t.size() < longueur) {
            if (lignes && longueur - t.size() >= 2 && tirer(12) == 0) {
                t += "\r\n";
            } else {
                t += octetAuHasard();
            }
        }
        return t;
    };
    const int32_t bords[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX - 1, INT32_MAX};
    for (int essai = 0; essai < 120; ++essai) {
        SCOPED_TRACE("essai " + std::to_string(essai));
        const std::size_t n = 1 + tirer(3);
        store().fiches.redimensionner(n);
        for (std::size_t i = 0; i < n; ++i) {
            Fiche& f = store().fiches[i];
            // Older bytes after each text's end travel along untouched.
            for (std::size_t k = 0; k < sizeof f; ++k) reinterpret_cast<char*>(&f)[k] = static_cast<char>(hasard());
            f.numero = essai < 7 ? bords[essai] : static_cast<int32_t>(hasard());
            ecrireChamp(f.titre, texteAuHasard(255, false));
            ecrireChamp(f.description, texteAuHasard(511, true));
            ecrireChamp(f.image, "");
        }
        store().derniere = static_cast<int32_t>(n) - 1;
        store().courante = static_cast<int32_t>(tirer(static_cast<uint32_t>(n)));
        const Fiche avant = store().ficheCourante();
        fenetre->remplirListe();
        fenetre->afficherFiche();
        plateforme.oublier();
        fenetre->modif()->click();
        fenetre->valider()->click();
        ASSERT_TRUE(plateforme.boites.empty()) << plateforme.boites[0].texte;
        ASSERT_FALSE(enEdition());
        const Fiche& apres = store().ficheCourante();
        EXPECT_EQ(apres.numero, avant.numero);
        EXPECT_EQ(texteChamp(apres.titre), texteChamp(avant.titre));
        EXPECT_EQ(texteChamp(apres.description), texteChamp(avant.description));
        ASSERT_EQ(octetsFiche(apres), octetsFiche(avant));
    }
}

TEST_F(SaisieFidele, titleLimit_holdsForAssistiveTechnology) {
    preparer();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(fenetre->titre());
    ASSERT_NE(a, nullptr);
    a->setText(QAccessible::Value, QString(300, 'x'));
    EXPECT_EQ(fenetre->titre()->text(), QString(255, 'x'));
    a->editableTextInterface()->insertText(255, "yz");
    EXPECT_EQ(fenetre->titre()->text(), QString(255, 'x'));
    fenetre->valider()->click();
    EXPECT_FALSE(enEdition());
    EXPECT_EQ(texteChamp(store().fiches[0].titre), std::string(255, 'x'));
}
