#include <cstdio>
#include <exception>
#include <string>

#include "app/assemblage.h"
#include "app/ligne_commande.h"
#include "platform/application.h"
#include "platform/rapport_erreur.h"
#include "platform/plateforme_qt.h"
#include "ui/about_box.h"
#include "ui/tform1.h"

int main(int argc, char** argv) {
    // Answered before the application object exists: it would need a display.
    switch (demandeDe(argc, argv)) {
        case Demande::Version:
        case Demande::Aide: {
            const std::string texte = demandeDe(argc, argv) == Demande::Version ? texteVersion() : texteAide();
            // A text that could not be written (a full disk, a closed pipe) is a failure.
            const bool ecrit = std::fputs(texte.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
            return ecrit ? 0 : 1;
        }
        case Demande::Lancer: break;
    }
    Application app(argc, argv);
    PlateformeQt plateforme;
    app.setPlateforme(&plateforme);
    executerEnSignalant(&plateforme, [&] {
        TForm1 Form1(plateforme);
        brancherCommandes(Form1, plateforme);
        plateforme.setParent(&Form1);
        Form1.FormCreate();
        TAboutBox AboutBox(&Form1);
        Form1.setAboutBox(&AboutBox);
        Form1.show();
        app.exec();
    });
    return 0;
}
