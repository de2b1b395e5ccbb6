// The pictures of the cards beside the current one, handed to the frame as paths: it decodes
// them ahead on a thread of its own, which must never read the card store.

#include "core/attributs.h"
#include "core/chemin_image.h"
#include "ui/cadre_image.h"
#include "ui/tform1.h"

void TForm1::prechargerVoisins() {
    std::vector<std::string> chemins;
    // The next card first: browsing goes forward more often than back.
    for (const int32_t i : {store_.courante + 1, store_.courante - 1}) {
        if (i < 0 || i > store_.derniere) continue;
        const std::string_view nom = texteChamp(store_.fiches[static_cast<std::size_t>(i)].image);
        if (!aUneImage(nom)) {
            chemins.push_back(store_.imageDefaut.str());
            continue;
        }
        const std::optional<std::string> chemin = cheminImage(store_.repertoireImages.str(), nom);
        if (chemin && fichierExiste(*chemin)) chemins.push_back(*chemin);
    }
    Imagevue_->setVoisins(chemins);
}
