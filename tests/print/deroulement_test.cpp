// How a print job runs: the progress dialog of long jobs and its "Annuler", and the jobs the
// printer does not take.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>

#include "print/imprimer_fiches.h"
#include "tests/print/outils_impression.h"

namespace {

QProgressDialog* progressionVisible() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) return d;
    }
    return nullptr;
}

}  // namespace

TEST(Deroulement, imprimerFiches_shortJob_showsNoProgress) {
    ImprimanteEnregistreuse imp;
    bool vue = false;
    imp.feuille.moteur.pendantLeDessin = [&] { vue = vue || progressionVisible() != nullptr; };
    const auto fiches = cartes(kFichesSansProgression);
    imprimerFiches(imp, fiches.data(), kFichesSansProgression - 1, "", {});
    EXPECT_FALSE(vue);
    EXPECT_TRUE(imp.termine);
}

TEST(Deroulement, imprimerFiches_longJob_showsProgressWithAnnuler) {
    ImprimanteEnregistreuse imp;
    QString texteBouton;
    int maximum = 0;
    imp.feuille.moteur.pendantLeDessin = [&] {
        if (QProgressDialog* d = progressionVisible()) {
            maximum = d->maximum();
            if (auto* b = d->findChild<QPushButton*>()) texteBouton = b->text();
        }
    };
    const auto fiches = cartes(kFichesSansProgression + 1);
    imprimerFiches(imp, fiches.data(), kFichesSansProgression, "", {});
    EXPECT_EQ(texteBouton, "Annuler");
    EXPECT_EQ(maximum, kFichesSansProgression + 1);
    EXPECT_TRUE(imp.termine);
    EXPECT_EQ(progressionVisible(), nullptr) << "le dialogue reste ouvert après l'impression";
}

TEST(Deroulement, imprimerFiches_annulerPressed_documentDroppedAndNothingMorePrinted) {
    ImprimanteEnregistreuse imp;
    imp.feuille.moteur.pendantLeDessin = [&] {
        // The user presses "Annuler" while the second page is being drawn.
        if (imp.pages() == 2) {
            if (QProgressDialog* d = progressionVisible()) {
                if (auto* b = d->findChild<QPushButton*>()) b->click();
            }
        }
    };
    const auto fiches = cartes(100);
    const ResultatImpression r = imprimerFiches(imp, fiches.data(), 99, "", {});
    EXPECT_EQ(r.etat, ResultatImpression::Annulee);
    EXPECT_TRUE(imp.abandonne);
    EXPECT_FALSE(imp.termine);
    EXPECT_EQ(imp.pages(), 2);
    EXPECT_EQ(trouver(imp, "199"), nullptr);
}

TEST(Deroulement, imprimerFiches_printerMissing_failsWithReasonAndDrawsNothing) {
    ImprimanteEnregistreuse imp;
    imp.refuserDebut = true;
    const auto fiches = cartes(3);
    const ResultatImpression r = imprimerFiches(imp, fiches.data(), 2, "x", {});
    EXPECT_EQ(r.etat, ResultatImpression::Echouee);
    EXPECT_EQ(r.raison, "aucune imprimante n'est installée");
    EXPECT_TRUE(imp.textes().empty());
}

TEST(Deroulement, imprimerFiches_jobRefusedAtTheEnd_failsWithReason) {
    ImprimanteEnregistreuse imp;
    imp.refuserFin = true;
    const auto fiches = cartes(3);
    const ResultatImpression r = imprimerFiches(imp, fiches.data(), 2, "x", {});
    EXPECT_EQ(r.etat, ResultatImpression::Echouee);
    EXPECT_EQ(r.raison, "l'imprimante a refusé le document");
    EXPECT_FALSE(imp.abandonne);
}

TEST(Deroulement, imprimerFiches_errorWhileDrawing_documentDropped) {
    ImprimanteEnregistreuse imp;
    // The failure comes once the first page is drawn, in the middle of the document.
    imp.avantNouvellePage = [] { throw std::runtime_error("panne"); };
    const auto fiches = cartes(30);
    EXPECT_THROW(imprimerFiches(imp, fiches.data(), 29, "", {}), std::runtime_error);
    EXPECT_FALSE(imp.textes().empty());
    EXPECT_EQ(imp.pages(), 1);
    EXPECT_TRUE(imp.abandonne);
    EXPECT_FALSE(imp.termine);
}
