#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "platform/images.h"

#ifndef BREVANDOUX_DONNEES
#define BREVANDOUX_DONNEES ""
#endif

// The help ships as HTML pages named after the help file ("BREVANDOUX.HLP" ->
// brevandoux.html), found without regard to case in the program's help folders.
QString trouverAide(const QString& fichierAide) {
    const QString base = QFileInfo(fichierAide).completeBaseName();
    const QString app = QCoreApplication::applicationDirPath();
    const QStringList dossiers = {app + QStringLiteral("/aide"),
                                  app + QStringLiteral("/../share/brevandoux/aide"),
                                  QStringLiteral(BREVANDOUX_DONNEES) + QStringLiteral("/aide")};
    for (const QString& dossier : dossiers) {
        const QDir d(dossier);
        if (!d.exists()) continue;
        for (const QFileInfo& f : d.entryInfoList(QDir::Files)) {
            if (f.completeBaseName().compare(base, Qt::CaseInsensitive) == 0 &&
                f.suffix().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0) {
                return f.absoluteFilePath();
            }
        }
    }
    return {};
}
