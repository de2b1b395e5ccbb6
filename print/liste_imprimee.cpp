#include "print/liste_imprimee.h"

#include <QFile>

#include "core/textes.h"

ListeImprimee listeImprimee(const MagasinFiches& store, const QString& expression) {
    if (store.listeResultats && store.sorteResultats != MagasinFiches::SorteResultats::recherche) {
        // The cards entered twice: no text was searched, whatever the search box holds.
        const bool descriptions = store.sorteResultats == MagasinFiches::SorteResultats::doublonsDescriptions;
        return {store.resultats, store.dernierResultat,
                QString::fromUtf8(descriptions ? textes::kDoublonsDescriptions : textes::kDoublonsTitres)};
    }
    if (store.listeResultats) {
        return {store.resultats, store.dernierResultat,
                QString::fromUtf8(textes::kRecherchePourExpression) + expression};
    }
    // The path is the file system's bytes, not a card text.
    return {store.fiches, store.derniere,
            QFile::decodeName(QByteArray::fromStdString(store.cheminBase.str()))};
}
