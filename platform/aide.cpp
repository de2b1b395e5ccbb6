#include "platform/aide.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
bool estPageHtml(const QFileInfo& f) {
    return f.suffix().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0 ||
           f.suffix().compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0;
}

// The anchor of that name in the page, spelt as the page spells it; empty when absent.
QString ancreDans(const QString& page, const QString& sujet) {
    QFile f(page);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString html = QString::fromUtf8(f.readAll());
    static const QRegularExpression ancre(
        QStringLiteral(
            "<a\\b[^>]*\\bname\\s*=\\s*[\"']([^\"']*)[\"']|\\bid\\s*=\\s*[\"']([^\"']*)[\"']"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = ancre.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString nom = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        if (nom.compare(sujet, Qt::CaseInsensitive) == 0) return nom;
    }
    return {};
}
}  // namespace

QStringList dossiersAide() {
    // Only places found from the program itself: the binary holds no path of the machine it
    // was built on. The build tree lays the help out as an installation does.
    const QString app = QCoreApplication::applicationDirPath();
    return {app + QStringLiteral("/aide"), app + QStringLiteral("/../share/brevandoux/aide")};
}

QString trouverAide(const QString& fichierAide, const QStringList& dossiers) {
    // The old help file was named with its own extension (".HLP"); only its base name counts.
    const QString base = QFileInfo(fichierAide).completeBaseName();
    if (base.isEmpty()) return {};
    for (const QString& dossier : dossiers) {
        const QDir d(dossier);
        if (!d.exists()) continue;
        for (const QFileInfo& f : d.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
            if (estPageHtml(f) && f.completeBaseName().compare(base, Qt::CaseInsensitive) == 0) {
                return f.absoluteFilePath();
            }
        }
    }
    return {};
}

QString trouverAide(const QString& fichierAide) { return trouverAide(fichierAide, dossiersAide()); }

QUrl trouverSujet(const QString& pageAide, const QString& sujet) {
    if (pageAide.isEmpty()) return {};
    if (sujet.isEmpty()) return QUrl::fromLocalFile(pageAide);
    QStringList pages = {QFileInfo(pageAide).absoluteFilePath()};
    const QDir dossier = QFileInfo(pageAide).absoluteDir();
    for (const QFileInfo& f : dossier.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (estPageHtml(f) && !pages.contains(f.absoluteFilePath())) pages << f.absoluteFilePath();
    }
    for (const QString& page : pages) {
        const QString ancre = ancreDans(page, sujet);
        if (ancre.isEmpty()) continue;
        QUrl adresse = QUrl::fromLocalFile(page);
        adresse.setFragment(ancre);
        return adresse;
    }
    return {};
}
