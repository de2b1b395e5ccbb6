#include <QFileInfo>
#include <QStringList>

#include "platform/plateforme.h"

QString avecExtensionParDefaut(const QString& chemin, const QString& extension) {
    if (chemin.isEmpty() || extension.isEmpty()) return chemin;
    const QString nom = QFileInfo(chemin).fileName();
    if (nom.contains(QLatin1Char('.'))) return chemin;
    QString ext = extension;
    if (!ext.startsWith(QLatin1Char('.'))) ext.prepend(QLatin1Char('.'));
    return chemin + ext;
}

QString filtreQt(const QString& filtre) {
    const QStringList parts = filtre.split(QLatin1Char('|'));
    QStringList filtres;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString motifs = parts[i + 1];
        motifs.replace(QLatin1Char(';'), QLatin1Char(' '));
        filtres << parts[i] + QStringLiteral(" (") + motifs + QLatin1Char(')');
    }
    return filtres.join(QStringLiteral(";;"));
}
