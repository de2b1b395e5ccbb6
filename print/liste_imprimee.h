#pragma once
// What "Imprimer la liste" prints, and so what the exports write: the search results under
// "recherche pour l'expression " and the search text while the list shows them (the cards
// entered twice under a heading of their own), else the whole base under its path.

#include <QString>

#include "core/fiche.h"
#include "core/magasin_fiches.h"

struct ListeImprimee {
    VueFiches table;
    int dernier;
    QString entete;
};

// expression: the search box's text as it now stands.
ListeImprimee listeImprimee(const MagasinFiches& store, const QString& expression);
