#include "planche/modele_planche.h"

#include <QFile>
#include <QFileInfo>

#include "core/services.h"
#include "core/textes.h"
#include "platform/vignettes.h"
#include "ui/liste_fiches.h"

ModelePlanche::ModelePlanche(const Vignettes& vignettes, QObject* parent)
    : QIdentityProxyModel(parent), vignettes_(vignettes) {}

QString ModelePlanche::nomAccessible(const QString& numero, const QString& titre) {
    return QStringLiteral("fiche %1 « %2 »").arg(numero, titre);
}

QVariant ModelePlanche::data(const QModelIndex& index, int role) const {
    switch (role) {
        case Qt::AccessibleTextRole:
            return nomAccessible(QIdentityProxyModel::data(index, ModeleListe::RoleNumero).toString(),
                                 QIdentityProxyModel::data(index, ModeleListe::RoleTitre).toString());
        case Qt::ToolTipRole: {
            QString texte = QIdentityProxyModel::data(index, ModeleListe::RoleTitre).toString();
            const QString chemin = QIdentityProxyModel::data(index, ModeleListe::RoleImage).toString();
            if (chemin.isEmpty()) return texte;
            QString raison = vignettes_.echec(chemin);
            // A missing file is said as the window says it when it shows the card.
            if (raison.isEmpty() && !QFileInfo::exists(chemin)) {
                raison = QString::fromStdString(
                    avecChemin(textes::kImageNonDisponible, QFile::encodeName(chemin).toStdString()));
            }
            if (!raison.isEmpty()) texte += QLatin1Char('\n') + raison.trimmed();
            return texte;
        }
        default: return QIdentityProxyModel::data(index, role);
    }
}
