// Start-up: the card store, the start directory, the configuration file and the base
// remembered from the last run.

#include <unistd.h>

#include <QAction>
#include <climits>
#include <exception>

#include "core/configuration.h"
#include "core/ouverture_base.h"
#include "platform/rapport_erreur.h"
#include "ui/tform1.h"

namespace {
const char* const kDepartTropLong =
    "le répertoire de départ %s est trop long (plus de 255 caractères) : la configuration et "
    "l'image par défaut ne peuvent pas y être lues";
}  // namespace

void TForm1::FormCreate() {
    // An error here is shown, the remaining steps are skipped, and the window opens anyway.
    executerEnSignalant(&plateforme_, [&] {
        char tampon[PATH_MAX];
        const std::string depart = getcwd(tampon, sizeof tampon) ? tampon : "";
        // A start directory that does not fit its buffer is refused rather than cut: a cut
        // path would name another directory.
        if (!store_.repertoireDepart.affecter(depart)) {
            plateforme_.message(avecChemin(kDepartTropLong, depart));
            // Nothing more is read, as the message says: with an empty start directory the
            // configuration path would fall back to a bare relative name, read and written
            // wherever the working directory then is, and the placeholder would be a second,
            // cryptic error about a picture without a name.
            return;
        }
        const std::string separateur = depart == "/" ? "" : "/";
        store_.imageDefaut.affecter(depart + separateur + "rien.jpg");
        if (const std::optional<std::string> montre = lireConfig(store_)) {
            montrerChemin(*montre);
        }
        rechercheSansAccents1()->setChecked(store_.sansAccents);
        agrandirlalisteetladescriptionaveclafenetre1()->setChecked(store_.fenetreAgrandie);
        couleurscontrastees1()->setChecked(store_.couleursContrastees);
        apercuavantimpression1()->setChecked(store_.apercuImpression);
        chargerAutoload();
        store_.garde.signalerOuvertureAilleurs(store_.messages());
        afficherFiche();
    });
}

void TForm1::chargerAutoload() {
    if (rouvrirBase(store_)) montrerBase();
}
