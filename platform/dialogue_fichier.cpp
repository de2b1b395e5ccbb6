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

QString extensionDuFiltre(const QString& filtre, int index) {
    const QStringList parts = filtre.split(QLatin1Char('|'));
    if (index < 0 || 2 * index + 1 >= parts.size()) return {};
    QString motif = parts[2 * index + 1].section(QLatin1Char(';'), 0, 0).trimmed();
    if (!motif.startsWith(QStringLiteral("*."))) return {};
    motif.remove(0, 2);
    return motif.contains(QLatin1Char('*')) ? QString() : motif;
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
