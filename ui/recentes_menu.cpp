// The submenu "bases récentes" of the menu "fichier": the bases opened or saved last, newest
// first, under their full paths; a base no longer on the disk stays listed but greyed.

#include <sys/stat.h>

#include <QAction>
#include <QFile>
#include <QMenu>

#include "ui/tform1.h"

namespace {
bool baseSurLeDisque(const std::string& chemin) {
    struct stat st;
    return stat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
}  // namespace

void TForm1::creerMenuRecentes() {
    // The list changes with every base opened or saved: it is read again each time the menu
    // opens.
    connect(fichier(), &QMenu::aboutToShow, this, &TForm1::remplirRecentes);
    remplirRecentes();
}

void TForm1::remplirRecentes() {
    basesrecentes1()->clear();
    int rang = 0;
    for (const std::string& chemin : store_.recentes) {
        QString legende = QFile::decodeName(QByteArray::fromStdString(chemin));
        // An ampersand in a path is shown, not taken for an accelerator.
        legende.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = basesrecentes1()->addAction(legende);
        a->setObjectName(QStringLiteral("recente%1").arg(++rang));
        a->setEnabled(baseSurLeDisque(chemin));
        connect(a, &QAction::triggered, this, [this, chemin] {
            if (ouverture_) gerer([&] { ouverture_(chemin); });
        });
    }
    basesrecentes1()->menuAction()->setEnabled(!store_.recentes.empty());
}
