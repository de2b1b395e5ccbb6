#pragma once
// The progress dialog of a long run of cards (printing, exports), and what the page drawing
// and the exports are told through it.

#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// Runs longer than this show a progress dialog whose "Annuler" stops them.
constexpr int kFichesSansProgression = 40;

// The progress dialog of a run of nombre cards, already showing 0, window-modal over fenetre
// (application-modal without one). None for a run of at most kFichesSansProgression cards, nor
// in a program without widgets (a converter run from a script), where a dialog would abort it.
std::unique_ptr<QProgressDialog> dialogueProgression(const QString& texte, int nombre,
                                                     QWidget* fenetre);

// The progress of a run as the page drawing and the exports report it: the dialog is made at
// the first report, once the run has really started, and only for a long run. Called with the
// cards done and the total; answers false once the user pressed "Annuler".
class Progression {
public:
    Progression(QString texte, QWidget* fenetre);
    ~Progression();
    bool operator()(int faites, int total);

private:
    QString texte_;
    QWidget* fenetre_;
    std::unique_ptr<QProgressDialog> dialogue_;
    bool demande_ = false;
};

// The progress of a long operation on files (copying pictures, reading a large base): its
// dialog appears once the operation has lasted delai milliseconds, and none for a shorter one.
// Called with the work done and the total (bytes); answers false once the user pressed
// "Annuler".
class ProgressionDifferee {
public:
    static constexpr int kDelai = 500;
    ProgressionDifferee(QString texte, QWidget* fenetre, int delai = kDelai);
    ~ProgressionDifferee();
    bool operator()(uint64_t fait, uint64_t total);

private:
    QString texte_;
    QWidget* fenetre_;
    int delai_;
    QElapsedTimer horloge_;
    std::unique_ptr<QProgressDialog> dialogue_;
};
