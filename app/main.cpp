#include <exception>

#include "platform/application.h"
#include "platform/plateforme_qt.h"
#include "ui/about_box.h"
#include "ui/tform1.h"

int main(int argc, char** argv) {
    Application app(argc, argv);
    PlateformeQt plateforme;
    app.setPlateforme(&plateforme);
    try {
        TForm1 Form1(plateforme);
        plateforme.setParent(&Form1);
        Form1.FormCreate();
        TAboutBox AboutBox(&Form1);
        Form1.setAboutBox(&AboutBox);
        Form1.show();
        app.exec();
    } catch (const std::exception& e) {
        app.montrerErreur(e.what());
    }
    return 0;
}
