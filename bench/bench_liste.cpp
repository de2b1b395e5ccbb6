// Times remplirListe on a base of a million cards, and the list's first drawing after it.
// Usage: bench_liste [cards]

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/liste_fiches.h"
#include "support/plateforme_muette.h"
#include "ui/tform1.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long cartes = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    if (cartes < 1) return 2;

    PlateformeMuette plateforme;
    TForm1 fenetre(plateforme);
    MagasinFiches& store = fenetre.store();
    store.fiches.redimensionner(static_cast<std::size_t>(cartes));
    for (long i = 0; i < cartes; ++i) {
        Fiche& f = store.fiches[static_cast<std::size_t>(i)];
        f.numero = static_cast<int32_t>(i * 7 - 3);
        ecrireChamp(f.titre, "Fiche num\xE9ro " + std::to_string(i));
    }
    store.derniere = static_cast<int32_t>(cartes - 1);
    fenetre.show();
    QCoreApplication::processEvents();

    double meilleur = 1e9;
    double meilleurAvecDessin = 1e9;
    for (int essai = 0; essai < 5; ++essai) {
        QElapsedTimer chrono;
        chrono.start();
        fenetre.remplirListe();
        const double remplir = static_cast<double>(chrono.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();
        fenetre.medialist()->viewport()->repaint();
        const double total = static_cast<double>(chrono.nsecsElapsed()) / 1e6;
        if (remplir < meilleur) meilleur = remplir;
        if (total < meilleurAvecDessin) meilleurAvecDessin = total;
    }
    std::printf("remplirListe, %ld fiches : %.2f ms (avec mise en page et dessin : %.2f ms)\n", cartes,
                meilleur, meilleurAvecDessin);
    if (fenetre.medialist()->nombreLignes() != cartes) return 1;
    return meilleurAvecDessin < 100.0 ? 0 : 1;
}
