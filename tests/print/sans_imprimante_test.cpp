// With no printer installed, the print commands offer the pages as a PDF file: the very pages
// the printer would have received.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "print/commandes_impression.h"
#include "print/imprimer_fiches.h"
#include "tests/print/lecture_pdf.h"
#include "tests/print/outils_impression.h"
#include "tests/support/plateforme_scriptee_pdf.h"

namespace {

const char* const kOffre =
    "Aucune imprimante n'est installée. Enregistrer ces pages dans un fichier PDF ?";

std::string lireOctets(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The characters of each page, spaces left out, in order: the same whatever way the words
// were cut into drawn texts or read back.
std::vector<QString> caracteresParPage(const std::vector<std::pair<int, QString>>& textes, int pages) {
    std::vector<QString> r(static_cast<std::size_t>(pages));
    for (const auto& [page, texte] : textes) {
        if (page >= 1 && page <= pages) r[static_cast<std::size_t>(page - 1)] += QString(texte).remove(' ');
    }
    for (QString& p : r) std::sort(p.begin(), p.end());
    return r;
}

class SansImprimante : public ::testing::Test {
protected:
    SansImprimante() : store(plateforme) {}
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        plateforme.avecImprimante = false;
        std::vector<Fiche> fiches;
        for (int i = 0; i < 30; ++i) {
            fiches.push_back(carte(i * 3, "carte " + std::to_string(i),
                                   "première ligne\r\nseconde " + std::string(90, static_cast<char>('a' + i % 26))));
        }
        store.fiches.redimensionner(fiches.size());
        for (std::size_t i = 0; i < fiches.size(); ++i) store.fiches[i] = fiches[i];
        store.derniere = static_cast<int32_t>(fiches.size()) - 1;
        store.courante = 4;
        ASSERT_TRUE(store.cheminBase.affecter(chemin("cartes.dat")));
    }
    std::string chemin(const char* nom) const { return dossier.filePath(nom).toStdString(); }

    QTemporaryDir dossier;
    PlateformeScripteePdf plateforme;
    MagasinFiches store;
};

TEST_F(SansImprimante, imprimerListe_yes_pdfHoldsThePrintedPagesExactly) {
    plateforme.reponses = {kOui};
    plateforme.fichiers = {chemin("liste")};  // typed without extension
    imprimerListe(plateforme, store, {});

    ASSERT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OuiNon", kOffre}, {"enregistrer", "Enregistrer les pages en PDF", ""}}));
    ASSERT_EQ(plateforme.dialogues.size(), 1u);
    EXPECT_EQ(plateforme.dialogues[0].filtre, "Document PDF|*.pdf");
    EXPECT_EQ(filtreQt(plateforme.dialogues[0].filtre), "Document PDF (*.pdf)");
    const DocumentPdf offert = lirePdf(QString::fromStdString(chemin("liste.pdf")));
    ASSERT_TRUE(offert.lu) << offert.erreur.toStdString();

    // What the printer receives: the same command on a machine with a 1200 dpi A4 printer.
    PlateformeScripteePdf avec;
    avec.pdfImpression = chemin("imprime.pdf");
    imprimerListe(avec, store, {});
    EXPECT_TRUE(avec.boites.empty());
    const DocumentPdf imprime = lirePdf(QString::fromStdString(avec.pdfImpression));
    ASSERT_TRUE(imprime.lu);
    ASSERT_EQ(offert.pages, 3);
    EXPECT_EQ(offert.pages, imprime.pages);
    ASSERT_EQ(offert.mots.size(), imprime.mots.size());
    for (std::size_t i = 0; i < offert.mots.size(); ++i) {
        const MotPdf& a = offert.mots[i];
        const MotPdf& b = imprime.mots[i];
        EXPECT_EQ(std::tie(a.page, a.x, a.y, a.texte), std::tie(b.page, b.x, b.y, b.texte)) << i;
    }

    // And what the layout drew, page by page, on the recording printer.
    ImprimanteEnregistreuse enregistreuse;
    ASSERT_EQ(imprimerFiches(enregistreuse, store.fiches, store.derniere,
                             QString::fromStdString(store.cheminBase.str()), store.cheminBase.str())
                  .etat,
              ResultatImpression::Imprimee);
    EXPECT_EQ(enregistreuse.pages(), offert.pages);
    std::vector<std::pair<int, QString>> dessines, lus;
    for (const TexteTrace& t : enregistreuse.textes()) dessines.emplace_back(t.page, t.texte);
    for (const MotPdf& m : offert.mots) lus.emplace_back(m.page, m.texte);
    EXPECT_EQ(caracteresParPage(lus, offert.pages), caracteresParPage(dessines, offert.pages));
}

TEST_F(SansImprimante, imprimerFiche_yes_currentCardUnderItsHeading) {
    plateforme.reponses = {kOui};
    plateforme.fichiers = {chemin("fiche.pdf")};
    imprimerFiche(plateforme, store, QStringLiteral("carte 4"));
    const DocumentPdf doc = lirePdf(QString::fromStdString(chemin("fiche.pdf")));
    ASSERT_TRUE(doc.lu);
    EXPECT_EQ(doc.pages, 1);
    EXPECT_EQ(doc.ligne(1, 150, 150), QString::fromUtf8("Fiche N°4"));
    EXPECT_TRUE(plateforme.textes("erreur").empty());
}

TEST_F(SansImprimante, noOrCancel_nothingWrittenNothingSaid) {
    plateforme.reponses = {kNon};
    imprimerListe(plateforme, store, {});
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "OuiNon", kOffre}}));

    plateforme.oublier();
    plateforme.reponses = {kOui};
    plateforme.fichiers = {std::nullopt};
    imprimerFiche(plateforme, store, QStringLiteral("carte 4"));
    EXPECT_EQ(plateforme.boites.size(), 2u);
    EXPECT_TRUE(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // No card selected: the old answer, no offer.
    plateforme.oublier();
    plateforme.reponses = {kOk};
    imprimerFiche(plateforme, store, QString());
    EXPECT_EQ(plateforme.boites, (std::vector<Boite>{{"question", "Ok", "pas de fiche sélectionnée"}}));
}

TEST_F(SansImprimante, existingFile_replacedOnlyWhenTheUserSaysSo) {
    const std::string pdf = chemin("garde.pdf");
    {
        std::ofstream f(pdf, std::ios::binary);
        f << "mon document";
    }
    const std::string remplacer = "Le fichier " + pdf + " existe déjà. Le remplacer ?";
    plateforme.reponses = {kOui, kNon};
    plateforme.fichiers = {pdf};
    imprimerListe(plateforme, store, {});
    EXPECT_EQ(plateforme.textes("question"), (std::vector<std::string>{kOffre, remplacer}));
    EXPECT_EQ(lireOctets(pdf), "mon document");

    plateforme.reponses = {kOui, kOui};
    plateforme.fichiers = {pdf};
    imprimerListe(plateforme, store, {});
    EXPECT_EQ(lireOctets(pdf).substr(0, 5), "%PDF-");
}

TEST_F(SansImprimante, pdfCannotBeWritten_toldInTheErrorDisplay) {
    plateforme.reponses = {kOui};
    plateforme.fichiers = {chemin("absent/dossier.pdf")};
    imprimerListe(plateforme, store, {});
    const auto erreurs = plateforme.textes("erreur");
    ASSERT_EQ(erreurs.size(), 1u);
    EXPECT_EQ(erreurs[0].rfind("Le fichier PDF n'a pas pu être enregistré : ", 0), 0u) << erreurs[0];
}

TEST_F(SansImprimante, withAPrinter_nothingOffered) {
    plateforme.avecImprimante = true;
    plateforme.pdfImpression = chemin("imprime.pdf");
    imprimerListe(plateforme, store, {});
    EXPECT_TRUE(plateforme.boites.empty());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(plateforme.pdfImpression)));
}

}  // namespace
