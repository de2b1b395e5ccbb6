#pragma once
// Runs an action while "Annuler" is pressed on its progress dialog as soon as one shows, as a
// user who changes their mind at once.

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

template <class Action>
auto enAnnulantLaProgression(Action action) {
    QTimer minuterie;
    QObject::connect(&minuterie, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) d->cancel();
        }
    });
    minuterie.start(0);
    return action();
}
