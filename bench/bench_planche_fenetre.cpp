// The board of pictures over a base of a million cards without pictures: the time from
// "planche des images" to the first screen of tiles drawn, the board's own memory (the
// process's resident memory with the board open and laid out, less what it was before), and
// the longest turn of the event loop while the board lays its tiles out and while it is
// scrolled from top to bottom a screen at a time. Goals: open ≤ 500 ms, memory < 128 MB,
// longest turn ≤ 50 ms.
// Usage: bench_planche_fenetre [cards]

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <ctime>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "planche/controleur_planche.h"
#include "planche/fenetre_planche.h"
#include "planche/planche.h"
#include "support/plateforme_muette.h"
#include "ui/tform1.h"
#include "ui/vue_planche.h"

namespace {
double ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// The processor time of this thread, in milliseconds: on a machine shared with other work, a
// turn of the loop can wait for the processor far longer than it works.
double processeurMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The longest turn of the event loop, by the clock and by the processor.
struct Tours {
    double mur = 0;
    double processeur = 0;
    void noter(const QElapsedTimer& tour, double debutProcesseur) {
        mur = std::max(mur, ms(tour));
        processeur = std::max(processeur, processeurMs() - debutProcesseur);
    }
};

// Resident memory of the process, in megabytes.
double residente() {
    long pages = 0, residentes = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &residentes) != 2) residentes = 0;
        std::fclose(f);
    }
    return static_cast<double>(residentes) * 4096.0 / (1024.0 * 1024.0);
}

// Turns the event loop until the scroll bar's range has stopped growing (the batched layout
// done), and returns its longest turns.
Tours jusquAuRepos(QScrollBar* barre, double limiteMs) {
    QElapsedTimer total;
    total.start();
    Tours pire;
    int maximum = -1;
    QElapsedTimer calme;
    calme.start();
    while (ms(calme) < 1000 && ms(total) < limiteMs) {
        QElapsedTimer tour;
        tour.start();
        const double debut = processeurMs();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        pire.noter(tour, debut);
        const int nouveau = barre ? barre->maximum() : 0;
        if (nouveau != maximum) calme.restart();
        maximum = nouveau;
    }
    return pire;
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long cartes = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    if (cartes < 1) return 2;

    PlateformeMuette plateforme;
    TForm1 fenetre(plateforme);
    auto* controleur = new ControleurPlanche(vuePlanche(fenetre, plateforme), fenetre.commande("planchedesimages1"),
                                             fenetre.store().planche, plateforme);
    MagasinFiches& store = fenetre.store();
    store.fiches.redimensionner(static_cast<std::size_t>(cartes));
    for (long i = 0; i < cartes; ++i) {
        Fiche& f = store.fiches[static_cast<std::size_t>(i)];
        f.numero = static_cast<int32_t>(i + 1);
        ecrireChamp(f.titre, "Fiche num\xE9ro " + std::to_string(i + 1));
    }
    store.derniere = static_cast<int32_t>(cartes - 1);
    fenetre.remplirListe();
    fenetre.show();
    jusquAuRepos(nullptr, 2000);
    const double avant = residente();

    QElapsedTimer chrono;
    chrono.start();
    fenetre.commande("planchedesimages1")->trigger();
    FenetrePlanche* board = controleur->fenetrePlanche();
    if (board == nullptr) return 2;
    QCoreApplication::processEvents();
    board->planche()->viewport()->repaint();
    const double ouverture = ms(chrono);
    Planche& planche = *board->planche();
    QScrollBar* barre = planche.verticalScrollBar();
    const Tours pireMiseEnPage = jusquAuRepos(barre, 60000);
    // Less the second of calm that told the end.
    const double miseEnPage = ms(chrono) - 1000;
    const double memoire = residente() - avant;

    const int pas = std::max(1, barre->pageStep());
    Tours pireDefilement;
    int ecrans = 0;
    QElapsedTimer defilement;
    defilement.start();
    // Every screen of a million tiles would take hours: about 2,000 screens spread from top
    // to bottom, each drawn as a user's scroll draws it.
    const int saut = std::max(pas, barre->maximum() / 2000);
    for (int v = 0; v <= barre->maximum(); v += saut) {
        QElapsedTimer tour;
        tour.start();
        const double debut = processeurMs();
        barre->setValue(v);
        planche.viewport()->repaint();
        QCoreApplication::processEvents();
        pireDefilement.noter(tour, debut);
        ++ecrans;
    }
    const double memoireFin = residente() - avant;

    std::printf("planche, %ld fiches sans image : ouverte et premier écran dessiné en %.1f ms (objectif <= 500)\n",
                cartes, ouverture);
    std::printf("  mise en page complète en %.1f ms ; plus long tour de la boucle pendant ce temps : "
                "%.1f ms (%.1f ms de processeur)\n",
                miseEnPage, pireMiseEnPage.mur, pireMiseEnPage.processeur);
    std::printf("  mémoire propre de la planche : %.1f Mo ouverte, %.1f Mo après le défilement (objectif < 128)\n",
                memoire, memoireFin);
    std::printf("  défilement de haut en bas, %d écrans : plus long tour %.1f ms (%.1f ms de processeur ; "
                "objectif <= 50), %.1f ms en tout\n",
                ecrans, pireDefilement.mur, pireDefilement.processeur, ms(defilement));
    // The stalls are judged by the processor time a turn took: the clock also counts the
    // waits of a machine shared with other work.
    const bool atteint = ouverture <= 500 && std::max(memoire, memoireFin) < 128 &&
                         std::max(pireDefilement.processeur, pireMiseEnPage.processeur) <= 50;
    return atteint ? 0 : 1;
}
