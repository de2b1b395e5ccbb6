#include "ui/accessibilite.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <utility>

#include "ui/cadre_image.h"
#include "ui/liste_fiches.h"
#include "ui/memo.h"
#include "ui/tform1.h"
#include "ui/updown.h"

void rendreAccessible(TForm1& f) {
    // The label beside a box names it: a screen reader reads the label's own caption and
    // tells that it labels the box. No caption holds an '&', so no mnemonic key appears.
    const std::pair<QLabel*, QWidget*> etiquettes[] = {
        {f.Label2(), f.numero()},
        {f.Label1(), f.titre()},
        {f.etiquettePosition(), f.position()},
        {f.Label4(), f.total()},
        {f.Label3(), f.description()},
        {f.Label5(), f.expression()},
    };
    for (const auto& [etiquette, boite] : etiquettes) etiquette->setBuddy(boite);

    f.chemin()->setAccessibleName(QStringLiteral("chemin de la base"));
    f.medialist()->setAccessibleName(QStringLiteral("liste des fiches"));
    f.UpDown()->setAccessibleName(QStringLiteral("changer de fiche"));
    // The up arrow moves on to the next card, the down arrow back to the previous one.
    f.UpDown()->flecheHaut()->setAccessibleName(QStringLiteral("fiche suivante"));
    f.UpDown()->flecheBas()->setAccessibleName(QStringLiteral("fiche précédente"));
    f.GroupBox1()->setAccessibleName(QStringLiteral("image de la fiche"));
    f.Imagevue()->setAccessibleName(QStringLiteral("image de la fiche"));
    f.Imagevue()->setImageVide([&f] { return f.store().imageDefaut.str(); });
}
