#include "platform/application.h"
#include "platform/rapport_erreur.h"
#include "platform/plateforme_qt.h"
#include "ui/about_box.h"
#include "ui/tform1.h"

int main(int argc, char** argv) {
    Application app(argc, argv);
    PlateformeQt plateforme;
    app.setPlateforme(&plateforme);
    executerEnSignalant(&plateforme, [&] {
        TForm1 Form1(plateforme);
        plateforme.setParent(&Form1);
        Form1.FormCreate();
        TAboutBox AboutBox(&Form1);
        Form1.setAboutBox(&AboutBox);
        Form1.show();
        app.exec();
    });
    return 0;
}
