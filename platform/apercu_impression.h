#pragma once
// The preview window of "aperçu avant impression": the pages as the chosen printer will print
// them, zoomed, one page or two side by side, page by page, and the printer to print on.
//
// Why not QPrintPreviewDialog itself: its "Print" opens a second dialog and prints on Qt's own
// engine, which hands the job to CUPS without telling whether it was accepted and sends half a
// document after a cancellation; the program prints through its own spool (ImprimanteQt). The
// same preview widget (QPrintPreviewWidget) is used here, with a toolbar whose "Imprimer" only
// says which printer was chosen, so that the caller prints through its usual path.

#include <QDialog>
#include <QPrinter>
#include <memory>

#include "platform/plateforme.h"

class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QVBoxLayout;

class ApercuImpression : public QDialog {
    Q_OBJECT
public:
    // The pages of dessin for the system's default printer. imprimantes: the CUPS queues
    // offered (the system's, unless a test gives its own); file: the one shown first.
    ApercuImpression(Plateforme::DessinDocument dessin, QWidget* parent = nullptr,
                     QStringList imprimantes = {}, QString file = {});
    ~ApercuImpression() override;

    // The queue chosen (empty: the default printer, when the system has none named).
    QString fileChoisie() const;
    int nombrePages() const;
    int pageMontree() const;
    QPrintPreviewWidget* vue() const { return vue_; }
    // For tests: the printer the preview lays its pages out for.
    QPrinter& imprimante() { return *imprimante_; }
    // Replaces the preview's printer (a test gives a PDF printer of its own geometry).
    void remplacerImprimante(std::unique_ptr<QPrinter> imprimante);

private:
    void choisirFile(const QString& file);
    void montrerPage();

    Plateforme::DessinDocument dessin_;
    std::unique_ptr<QPrinter> imprimante_;
    QPrintPreviewWidget* vue_ = nullptr;
    QVBoxLayout* disposition_ = nullptr;
    QComboBox* files_ = nullptr;
    QLabel* page_ = nullptr;
};
