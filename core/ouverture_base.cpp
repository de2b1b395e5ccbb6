#include "core/ouverture_base.h"

#include "core/configuration.h"
#include "core/magasin_fiches.h"
#include "core/repertoire_images.h"

bool rouvrirBase(MagasinFiches& store) {
    if (!peutChargerAutoload(store)) return false;
    lierRepertoireImages(store, store.cheminBase.str());
    creerRepertoireImages(store.messages(), store.repertoireImages.str());
    if (!store.chargerBase(store.cheminBase.str())) return false;
    store.modifiee = false;
    store.baseNommee = true;
    return true;
}
