#include "ui/progression.h"

#include <QApplication>
#include <QProgressDialog>
#include <utility>

std::unique_ptr<QProgressDialog> dialogueProgression(const QString& texte, int nombre,
                                                     QWidget* fenetre) {
    const bool avecFenetres = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    if (nombre <= kFichesSansProgression || !avecFenetres) return nullptr;
    auto progression = std::make_unique<QProgressDialog>(texte, QStringLiteral("Annuler"), 0,
                                                         nombre, fenetre);
    progression->setWindowTitle(QStringLiteral("brevandoux"));
    // Modal, so that setValue lets the "Annuler" click through while the rest of the
    // window stays out of reach.
    progression->setWindowModality(fenetre ? Qt::WindowModal : Qt::ApplicationModal);
    progression->setMinimumDuration(0);
    progression->setAutoClose(false);
    progression->setAutoReset(false);
    progression->setValue(0);
    return progression;
}

Progression::Progression(QString texte, QWidget* fenetre)
    : texte_(std::move(texte)), fenetre_(fenetre) {}

Progression::~Progression() = default;

bool Progression::operator()(int faites, int total) {
    if (!demande_) {
        demande_ = true;
        dialogue_ = dialogueProgression(texte_, total, fenetre_);
    }
    if (!dialogue_) return true;
    dialogue_->setValue(faites);
    return !dialogue_->wasCanceled();
}

ProgressionDifferee::ProgressionDifferee(QString texte, QWidget* fenetre, int delai)
    : texte_(std::move(texte)), fenetre_(fenetre), delai_(delai) {
    horloge_.start();
}

ProgressionDifferee::~ProgressionDifferee() = default;

bool ProgressionDifferee::operator()(uint64_t fait, uint64_t total) {
    if (!dialogue_) {
        if (horloge_.elapsed() < delai_) return true;
        dialogue_ = dialogueProgression(texte_, 1000, fenetre_);
        if (!dialogue_) return true;
        dialogue_->show();
    }
    dialogue_->setValue(total == 0 ? 0 : static_cast<int>(fait * 1000 / total));
    // The work runs on this thread: the dialog is drawn and "Annuler" is seen here.
    QCoreApplication::processEvents();
    return !dialogue_->wasCanceled();
}
