// Temporary stand-in until the thumbnail source is merged: no thumbnail, never ready.

#include "platform/vignettes.h"

Vignettes::Vignettes(QObject* parent) : QObject(parent) {}

Vignettes::~Vignettes() = default;

void Vignettes::demander(const QStringList&, int) {}

QImage Vignettes::image(const QString&, int) const { return {}; }

QString Vignettes::echec(const QString&) const { return {}; }
