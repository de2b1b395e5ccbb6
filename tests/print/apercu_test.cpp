// "aperçu avant impression": what is printed from the preview is what printing without it
// prints, closing the preview prints nothing, and the preview window shows those pages.

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QPageSize>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>

#include "platform/apercu_impression.h"
#include "print/commandes_impression.h"
#include "print/dessin_pages.h"
#include "tests/print/lecture_pdf.h"
#include "tests/print/outils_impression.h"
#include "tests/support/plateforme_scriptee_pdf.h"

namespace {

// The words of a PDF with their pages and places: what the paper shows.
QStringList pages(const QString& pdf) {
    const DocumentPdf doc = lirePdf(pdf);
    EXPECT_TRUE(doc.lu) << doc.erreur.toStdString();
    QStringList mots{QString::number(doc.pages)};
    for (const MotPdf& m : doc.mots) {
        mots << QStringLiteral("%1 %2 %3 %4").arg(m.page).arg(qRound(m.x)).arg(qRound(m.y)).arg(m.texte);
    }
    return mots;
}

class Apercu : public ::testing::Test {
protected:
    Apercu() : store(plateforme) {
        const std::vector<Fiche> f = cartes(23);  // three pages
        store.fiches.redimensionner(f.size());
        for (std::size_t i = 0; i < f.size(); ++i) store.fiches[i] = f[i];
        store.derniere = static_cast<int32_t>(f.size()) - 1;
        store.courante = 4;
    }
    QString fichier(const char* nom) const { return dossier.path() + "/" + nom; }
    // Prints through cmd into nom, with or without the preview (answered imprimer).
    QStringList imprimer(const char* nom, bool apercu, const std::function<void()>& cmd) {
        plateforme.pdfImpression = fichier(nom).toStdString();
        store.apercuImpression = apercu;
        if (apercu) {
            plateforme.pdfApercu = fichier("apercu.pdf").toStdString();
            plateforme.apercus.push_back(true);
        }
        cmd();
        return pages(fichier(nom));
    }
    QTemporaryDir dossier;
    PlateformeScripteePdf plateforme;
    MagasinFiches store;
};

TEST_F(Apercu, printedFromThePreview_equalsPrintedWithout_forEveryCommand) {
    const std::vector<std::pair<const char*, std::function<void()>>> commandes = {
        {"liste", [&] { imprimerListe(plateforme, store, "x"); }},
        {"fiche", [&] { imprimerFiche(plateforme, store, "titre4"); }},
        {"choisies", [&] { imprimerChoisies(plateforme, store, {7, 2, 19}); }},
    };
    for (const auto& [nom, cmd] : commandes) {
        const QStringList sans = imprimer("sans.pdf", false, cmd);
        const QStringList avec = imprimer("avec.pdf", true, cmd);
        EXPECT_GT(sans.size(), 3) << nom;
        EXPECT_EQ(avec, sans) << nom;
        // The preview was drawn by the same code, page for page.
        EXPECT_EQ(pages(fichier("apercu.pdf")), sans) << nom;
    }
    EXPECT_EQ(plateforme.textes("apercu").size(), 3u);
}

TEST_F(Apercu, closingThePreview_printsNothing) {
    store.apercuImpression = true;
    plateforme.pdfImpression = fichier("rien.pdf").toStdString();
    plateforme.apercus.push_back(false);
    imprimerListe(plateforme, store, "x");
    EXPECT_FALSE(QFile::exists(fichier("rien.pdf")));
    EXPECT_EQ(plateforme.textes("apercu").size(), 1u);
}

// The words of one page above its footer, without their page number.
QStringList corps(const QStringList& mots, int page) {
    QStringList r;
    for (const QString& m : mots.mid(1)) {
        const QStringList champs = m.split(' ');
        if (champs[0].toInt() == page && champs[2].toInt() < 13000) r << champs.mid(1).join(' ');
    }
    return r;
}

TEST_F(Apercu, chosenCards_eachAsItsOwnCardPrintout_inTheOrderGiven_oneDocument) {
    const QStringList choisies = imprimer("c.pdf", false, [&] { imprimerChoisies(plateforme, store, {7, 2, 99, 7}); });
    ASSERT_EQ(choisies.first(), "2");
    // Each page as "Imprimer la fiche" prints that card, but for the running page number.
    int page = 1;
    for (int32_t index : {7, 2}) {
        store.courante = index;
        const QStringList seule = imprimer("s.pdf", false, [&] { imprimerFiche(plateforme, store, "t"); });
        EXPECT_EQ(corps(choisies, page), corps(seule, 1)) << index;
        EXPECT_FALSE(corps(seule, 1).isEmpty());
        ++page;
    }
}

TEST_F(Apercu, previewWindow_showsThePagesPrinted_andItsButtonsAnswer) {
    const QStringList sans = imprimer("sans.pdf", false, [&] { imprimerListe(plateforme, store, "x"); });
    auto dessin = [&](Imprimante& i) { dessinerFiches(i, store.fiches, store.derniere, {}, {}); };
    ApercuImpression fenetre(dessin, nullptr, {QStringLiteral("PDF")}, QStringLiteral("PDF"));
    auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setResolution(1200);
    pdf->setPageSize(QPageSize(QPageSize::A4));
    fenetre.remplacerImprimante(std::move(pdf));
    fenetre.show();
    EXPECT_EQ(fenetre.nombrePages(), sans.first().toInt());
    auto bouton = [&](const char* texte) {
        for (QAction* a : fenetre.findChildren<QAction*>()) {
            if (a->text() == QString::fromUtf8(texte)) return a;
        }
        ADD_FAILURE() << texte;
        return static_cast<QAction*>(nullptr);
    };
    bouton("Dernière page")->trigger();
    EXPECT_EQ(fenetre.pageMontree(), fenetre.nombrePages());
    bouton("Page précédente")->trigger();
    EXPECT_EQ(fenetre.pageMontree(), fenetre.nombrePages() - 1);
    bouton("Deux pages")->trigger();
    EXPECT_EQ(fenetre.vue()->viewMode(), QPrintPreviewWidget::FacingPagesView);
    bouton("Fermer")->trigger();
    EXPECT_EQ(fenetre.result(), QDialog::Rejected);
    fenetre.show();
    bouton("Imprimer")->trigger();
    EXPECT_EQ(fenetre.result(), QDialog::Accepted);
    EXPECT_EQ(fenetre.fileChoisie(), QStringLiteral("PDF"));
}

}  // namespace
