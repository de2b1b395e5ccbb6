#include "platform/plateforme_qt.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrinterInfo>

#include "core/textes.h"
#include "platform/aide.h"
#include "platform/fenetre_aide.h"
#include "platform/images.h"
#include "platform/apercu_impression.h"
#include "platform/imprimante_qt.h"

namespace {
const QString kTitre = QStringLiteral("brevandoux");

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string local(const QString& s) { return QFile::encodeName(s).toStdString(); }

int code(QMessageBox::StandardButton b) {
    switch (b) {
        case QMessageBox::Ok: return kOk;
        case QMessageBox::Yes: return kOui;
        case QMessageBox::No: return kNon;
        default: return kAnnuler;
    }
}
}  // namespace

PlateformeQt::PlateformeQt()
    : imprimante_(std::make_unique<ImprimanteQt>()), dossiersAide_(dossiersAide()) {}
PlateformeQt::~PlateformeQt() { delete aide_.data(); }

void PlateformeQt::message(const std::string& texte) {
    QMessageBox box(QMessageBox::NoIcon, kTitre, q(texte), QMessageBox::Ok, parent_);
    box.exec();
}

int PlateformeQt::question(const std::string& texte, Boutons boutons) {
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    if (boutons == Boutons::OkAnnuler) b = QMessageBox::Ok | QMessageBox::Cancel;
    if (boutons == Boutons::OuiNonAnnuler) b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    if (boutons == Boutons::OuiNon) b = QMessageBox::Yes | QMessageBox::No;
    QMessageBox box(QMessageBox::NoIcon, QString(), q(texte), b, parent_);
    box.setEscapeButton(boutons == Boutons::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
    // Without Cancel, Escape and the default both mean No: what writes nothing.
    if (boutons == Boutons::OuiNon) {
        box.setEscapeButton(QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
    }
    return code(static_cast<QMessageBox::StandardButton>(box.exec()));
}

int PlateformeQt::confirmation(const std::string& texte) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(textes::kTitreConfirmation), q(texte),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    box.setEscapeButton(QMessageBox::Cancel);
    return code(static_cast<QMessageBox::StandardButton>(box.exec()));
}

void PlateformeQt::erreur(const std::string& texte) {
    QMessageBox box(QMessageBox::Critical, kTitre, q(texte), QMessageBox::Ok, parent_);
    box.exec();
}

std::optional<std::string> PlateformeQt::ouvrirFichier(const DialogueFichier& d) {
    QFileDialog dlg(parent_, d.titre);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(filtreQt(d.filtre));
    dlg.setDefaultSuffix(QString(d.extension).remove(0, d.extension.startsWith('.') ? 1 : 0));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return local(dlg.selectedFiles().first());
}

std::optional<std::string> PlateformeQt::enregistrerFichier(const DialogueFichier& d) {
    QFileDialog dlg(parent_, d.titre);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The program asks its own overwrite question.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setNameFilter(filtreQt(d.filtre));
    dlg.setDefaultSuffix(QString(d.extension).remove(0, d.extension.startsWith('.') ? 1 : 0));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return local(avecExtensionParDefaut(dlg.selectedFiles().first(), d.extension));
}

std::optional<Plateforme::FichierFormat> PlateformeQt::enregistrerFichierFormat(const DialogueFichier& d) {
    QFileDialog dlg(parent_, d.titre);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filtres = filtreQt(d.filtre).split(QStringLiteral(";;"));
    dlg.setNameFilters(filtres);
    dlg.setDefaultSuffix(extensionDuFiltre(d.filtre, 0));
    // The dialog adds the suffix of the filter shown when the user accepts.
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg, &d, &filtres](const QString& f) {
        dlg.setDefaultSuffix(extensionDuFiltre(d.filtre, static_cast<int>(filtres.indexOf(f))));
    });
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    const int filtre = std::max(0, static_cast<int>(filtres.indexOf(dlg.selectedNameFilter())));
    return FichierFormat{local(avecExtensionParDefaut(dlg.selectedFiles().first(),
                                                      extensionDuFiltre(d.filtre, filtre))),
                         filtre};
}

std::optional<std::string> PlateformeQt::ouvrirImage() {
    QFileDialog dlg(parent_, QStringLiteral("Ouvrir une image"));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setNameFilter(filtreQt(filtreImages()));
    auto* apercu = new QLabel(&dlg);
    apercu->setFixedSize(178, 178);
    apercu->setFrameShape(QFrame::StyledPanel);
    if (auto* grille = qobject_cast<QGridLayout*>(dlg.layout())) {
        grille->addWidget(apercu, 0, grille->columnCount(), grille->rowCount(), 1);
    }
    QObject::connect(&dlg, &QFileDialog::currentChanged, apercu, [apercu](const QString& f) {
        try {
            apercu->setPixmap(QPixmap::fromImage(
                chargerImage(local(f), QSize(178, 178)).scaled(178, 178)));
        } catch (const std::exception&) {
            apercu->clear();
        }
    });
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return local(dlg.selectedFiles().first());
}

void PlateformeQt::copierTexte(const QString& texte) { QGuiApplication::clipboard()->setText(texte); }

QString PlateformeQt::texteDuPressePapiers() { return QGuiApplication::clipboard()->text(); }

Imprimante& PlateformeQt::imprimante() { return *imprimante_; }

// The same test as the printer's own when it starts a document.
Imprimante* PlateformeQt::apercu(const DessinDocument& dessin) {
    ApercuImpression fenetre(dessin, parent_);
    if (fenetre.exec() != QDialog::Accepted) return nullptr;
    imprimanteChoisie_ = std::make_unique<ImprimanteQt>(FileCups{fenetre.fileChoisie()});
    return imprimanteChoisie_.get();
}

bool PlateformeQt::imprimanteInstallee() { return !QPrinterInfo::defaultPrinter().isNull(); }

void PlateformeQt::afficherAide(const QString& fichierAide, const QString& sujet) {
    ouvrirAide(aide_, dossiersAide_, fichierAide, sujet, *this);
}

FenetreAide* PlateformeQt::fenetreAide() const { return aide_.data(); }
