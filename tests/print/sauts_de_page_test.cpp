// Page breaks: cards are never split, and every page ends with its number above the foot.

#include <gtest/gtest.h>

#include <map>

#include "print/imprimer_fiches.h"
#include "tests/print/outils_impression.h"

namespace {

struct Page {
    std::vector<int> numeros;  // the cards' numbers, in order
    std::vector<QString> pieds;
    double basDesFiches = 0;  // the lowest bottom of a card's text on the page
};

// Splits what was printed into pages, checking on the way that each card's texts stay on the
// page of its number.
std::map<int, Page> parPage(const ImprimanteEnregistreuse& imp) {
    std::map<int, Page> pages;
    int pageDeLaFiche = 0;
    for (const TexteTrace& t : imp.textes()) {
        Page& p = pages[t.page];
        const double bas = haut(imp, t) + QFontMetrics(t.police, &imp.feuille).height();
        if (t.texte.startsWith("page")) {
            p.pieds.push_back(t.texte);
            EXPECT_EQ(haut(imp, t), imp.hauteur() - 90);
            EXPECT_EQ(t.ligneDeBase.x(), imp.largeur() / 2);
            continue;
        }
        if (t.ligneDeBase.x() == 150) {  // the heading
            p.basDesFiches = std::max(p.basDesFiches, bas);
            continue;
        }
        bool nombre = false;
        const int n = t.texte.toInt(&nombre);
        if (t.ligneDeBase.x() == 1250 && nombre) {
            p.numeros.push_back(n);
            pageDeLaFiche = t.page;
        } else {
            EXPECT_EQ(t.page, pageDeLaFiche) << "fiche coupée : " << t.texte.toStdString();
        }
        p.basDesFiches = std::max(p.basDesFiches, bas);
    }
    return pages;
}

// Cards whose description fills all eight rows: the tallest a card can be.
std::vector<Fiche> cartesPleines(int nombre) {
    std::vector<Fiche> v;
    for (int i = 0; i < nombre; ++i) {
        v.push_back(carte(i, "titre", "description" + std::string(500, 'w')));
    }
    return v;
}

}  // namespace

TEST(SautsDePage, imprimerFiches_fiftyCards_breaksPagesBeforeFooter) {
    ImprimanteEnregistreuse imp;
    const auto fiches = cartesPleines(50);
    ASSERT_EQ(imprimerFiches(imp, fiches.data(), 49, "", {}).etat, ResultatImpression::Imprimee);

    const auto pages = parPage(imp);
    // 13699 units: lines 0, 8, ... 80 hold eleven cards whose last row ends above 13609.
    ASSERT_EQ(pages.size(), 5u);
    int suivant = 0;
    for (const auto& [numero, page] : pages) {
        EXPECT_EQ(page.pieds, std::vector<QString>{QString("page %1").arg(numero)});
        EXPECT_LE(page.basDesFiches, imp.hauteur() - 90) << "page " << numero;
        EXPECT_EQ(page.numeros.size(), numero < 5 ? 11u : 6u) << "page " << numero;
        for (int n : page.numeros) EXPECT_EQ(n, suivant++);
    }
    EXPECT_EQ(suivant, 50);
    // The first card of a new page goes back to line 0.
    const TexteTrace* onzieme = trouver(imp, "11");
    ASSERT_NE(onzieme, nullptr);
    EXPECT_EQ(onzieme->page, 2);
    EXPECT_EQ(haut(imp, *onzieme), 120);
}

TEST(SautsDePage, imprimerFiches_fiftyCardsWithHeading_headingOnFirstPageOnly) {
    ImprimanteEnregistreuse imp;
    const auto fiches = cartesPleines(50);
    imprimerFiches(imp, fiches.data(), 49, "entête", {});

    const auto pages = parPage(imp);
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages.at(1).numeros.size(), 10u);  // lines 2 ... 74
    EXPECT_EQ(pages.at(5).numeros.size(), 7u);
    EXPECT_EQ(tous(imp, "entête").size(), 1u);
    EXPECT_EQ(trouver(imp, "entête")->page, 1);
}

TEST(SautsDePage, imprimerFiches_anyPageHeight_keepsCardsWholeAndFillsPages) {
    // From pages that hold barely one card up to long ones, with and without heading.
    for (int hauteur : {1600, 1700, 2700, 2800, 2900, 3000, 5000, 13699, 20000}) {
        for (const QString& entete : {QString(), QStringLiteral("e")}) {
            SCOPED_TRACE("hauteur " + std::to_string(hauteur) + " entête '" + entete.toStdString() + "'");
            ImprimanteEnregistreuse imp(4000, hauteur);
            const auto fiches = cartesPleines(23);
            imprimerFiches(imp, fiches.data(), 22, entete, {});
            const auto pages = parPage(imp);
            int total = 0;
            for (const auto& [numero, page] : pages) {
                EXPECT_EQ(page.pieds, std::vector<QString>{QString("page %1").arg(numero)});
                // Only the heading may stand alone, when the first card does not fit below it.
                if (page.numeros.empty()) {
                    EXPECT_TRUE(numero == 1 && !entete.isEmpty()) << "page vide " << numero;
                    continue;
                }
                total += static_cast<int>(page.numeros.size());
                if (numero < static_cast<int>(pages.size())) {
                    // A page is ended only when the next card would not have fitted on it.
                    const int lignes = (numero == 1 && !entete.isEmpty() ? 2 : 0) +
                                       8 * static_cast<int>(page.numeros.size());
                    const double basSuivante =
                        page.basDesFiches + 150.0 * 8 * 1;  // same card shape, 8 lines lower
                    EXPECT_GT(basSuivante, hauteur - 90) << "page " << numero << ", " << lignes;
                }
                if (page.numeros.size() > 1 || (numero == 1 && !entete.isEmpty())) {
                    EXPECT_LE(page.basDesFiches, hauteur - 90) << "page " << numero;
                }
            }
            EXPECT_EQ(total, 23);
        }
    }
}

TEST(SautsDePage, imprimerFiches_pageShorterThanACard_printsOneCardPerPage) {
    ImprimanteEnregistreuse imp(4000, 1000);
    const auto fiches = cartesPleines(3);
    imprimerFiches(imp, fiches.data(), 2, "", {});
    const auto pages = parPage(imp);
    ASSERT_EQ(pages.size(), 3u);
    for (const auto& [numero, page] : pages) EXPECT_EQ(page.numeros.size(), 1u);
}
