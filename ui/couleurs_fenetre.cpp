// The window's described colours on the desktop's palette, and "couleurs contrastées".

#include <QApplication>
#include <QEvent>

#include "platform/couleurs.h"
#include "ui/tform1.h"

void TForm1::appliquerCouleurs() {
    const bool ajuster = couleursAAjuster(palette(), store_.couleursContrastees);
    for (const CouleurDecrite& c : couleursDecrites_) {
        QPalette p = c.controle->palette();
        // Behind a label lies the window colour, behind a caption of a button the button's.
        p.setColor(c.texte, ajuster ? couleurLisible(c.decrite, p.color(c.fond)) : c.decrite);
        c.controle->setPalette(p);
    }
}

void TForm1::couleurscontrastees1Click(bool coche) {
    const bool choix = store_.couleursContrastees != coche;  // else shown as brevandoux.ini said
    store_.couleursContrastees = coche;
    if (choix) store_.choixCouleurs = true;
    appliquerCouleurs();
}

void TForm1::changeEvent(QEvent* evenement) {
    QMainWindow::changeEvent(evenement);
    if (evenement->type() == QEvent::PaletteChange || evenement->type() == QEvent::ApplicationPaletteChange) {
        reprendreFonds();
        appliquerCouleurs();
    }
}
