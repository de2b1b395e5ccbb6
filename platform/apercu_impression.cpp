#include "platform/apercu_impression.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/imprimante_pages.h"

namespace {

// The preview's printer as the printing code sees it: the pages go to the preview widget.
class ImprimanteApercu : public ImprimantePages {
public:
    explicit ImprimanteApercu(QPrinter& imprimante) : imprimante_(imprimante) {}
    ~ImprimanteApercu() override { lacher(); }
    bool commencer(const QString& titreDocument, QString& raison) override {
        imprimante_.setDocName(titreDocument);
        return ouvrir(imprimante_, imprimante_.resolution(), raison);
    }
    void abandonner() override { lacher(); }

private:
    bool conclure(bool, QString&) override { return true; }
    QPrinter& imprimante_;
};

// The printer a document for file is laid out on: made as the printer that prints it
// (ImprimanteQt) makes it, so that the preview shows the very pages printed.
std::unique_ptr<QPrinter> imprimantePour(const QString& file) {
    const QPrinterInfo info = file.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(file);
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

QAction* action(QToolBar* barre, const QString& texte, const QKeySequence& touche) {
    QAction* a = barre->addAction(texte);
    a->setShortcut(touche);
    a->setToolTip(texte + QStringLiteral(" (") + touche.toString(QKeySequence::NativeText) + QStringLiteral(")"));
    return a;
}

}  // namespace

ApercuImpression::ApercuImpression(Plateforme::DessinDocument dessin, QWidget* parent,
                                   QStringList imprimantes, QString file)
    : QDialog(parent), dessin_(std::move(dessin)) {
    setWindowTitle(QStringLiteral("aperçu avant impression"));
    setAccessibleName(windowTitle());
    if (imprimantes.isEmpty()) imprimantes = QPrinterInfo::availablePrinterNames();
    if (file.isEmpty()) file = QPrinterInfo::defaultPrinterName();

    disposition_ = new QVBoxLayout(this);
    auto* barre = new QToolBar(this);
    barre->setAccessibleName(QStringLiteral("commandes de l'aperçu"));
    disposition_->addWidget(barre);

    QAction* imprimer = action(barre, QStringLiteral("Imprimer"), QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* fermer = action(barre, QStringLiteral("Fermer"), QKeySequence(Qt::Key_Escape));
    barre->addSeparator();
    barre->addWidget(new QLabel(QStringLiteral("Imprimante : "), this));
    files_ = new QComboBox(this);
    files_->setAccessibleName(QStringLiteral("Imprimante"));
    files_->addItems(imprimantes);
    files_->setCurrentText(file);
    barre->addWidget(files_);
    barre->addSeparator();
    QAction* premiere = action(barre, QStringLiteral("Première page"), QKeySequence(Qt::CTRL | Qt::Key_Home));
    QAction* precedente = action(barre, QStringLiteral("Page précédente"), QKeySequence(Qt::Key_PageUp));
    QAction* suivante = action(barre, QStringLiteral("Page suivante"), QKeySequence(Qt::Key_PageDown));
    QAction* derniere = action(barre, QStringLiteral("Dernière page"), QKeySequence(Qt::CTRL | Qt::Key_End));
    page_ = new QLabel(this);
    page_->setAccessibleName(QStringLiteral("Page montrée"));
    barre->addWidget(page_);
    barre->addSeparator();
    QAction* une = action(barre, QStringLiteral("Une page"), QKeySequence(Qt::CTRL | Qt::Key_1));
    QAction* deux = action(barre, QStringLiteral("Deux pages"), QKeySequence(Qt::CTRL | Qt::Key_2));
    QAction* avant = action(barre, QStringLiteral("Zoom avant"), QKeySequence(QKeySequence::ZoomIn));
    QAction* arriere = action(barre, QStringLiteral("Zoom arrière"), QKeySequence(QKeySequence::ZoomOut));
    QAction* entiere = action(barre, QStringLiteral("Page entière"), QKeySequence(Qt::CTRL | Qt::Key_0));

    remplacerImprimante(imprimantePour(files_->currentText()));

    connect(imprimer, &QAction::triggered, this, &QDialog::accept);
    connect(fermer, &QAction::triggered, this, &QDialog::reject);
    connect(files_, &QComboBox::currentTextChanged, this, &ApercuImpression::choisirFile);
    connect(premiere, &QAction::triggered, this, [this] { vue_->setCurrentPage(1); });
    connect(precedente, &QAction::triggered, this, [this] { vue_->setCurrentPage(vue_->currentPage() - 1); });
    connect(suivante, &QAction::triggered, this, [this] { vue_->setCurrentPage(vue_->currentPage() + 1); });
    connect(derniere, &QAction::triggered, this, [this] { vue_->setCurrentPage(vue_->pageCount()); });
    connect(une, &QAction::triggered, this, [this] { vue_->setSinglePageViewMode(); });
    connect(deux, &QAction::triggered, this, [this] { vue_->setFacingPagesViewMode(); });
    connect(avant, &QAction::triggered, this, [this] { vue_->zoomIn(); });
    connect(arriere, &QAction::triggered, this, [this] { vue_->zoomOut(); });
    connect(entiere, &QAction::triggered, this, [this] { vue_->fitInView(); });
    resize(900, 1000);
}

ApercuImpression::~ApercuImpression() = default;

void ApercuImpression::remplacerImprimante(std::unique_ptr<QPrinter> imprimante) {
    // The widget keeps a pointer to its printer: a new printer gets a new widget.
    delete vue_;
    imprimante_ = std::move(imprimante);
    vue_ = new QPrintPreviewWidget(imprimante_.get(), this);
    vue_->setAccessibleName(QStringLiteral("Pages à imprimer"));
    disposition_->addWidget(vue_, 1);
    connect(vue_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) {
        ImprimanteApercu imprimante(*p);
        dessin_(imprimante);
    });
    connect(vue_, &QPrintPreviewWidget::previewChanged, this, &ApercuImpression::montrerPage);
    vue_->updatePreview();
    montrerPage();
}

void ApercuImpression::choisirFile(const QString& file) { remplacerImprimante(imprimantePour(file)); }

void ApercuImpression::montrerPage() {
    page_->setText(QStringLiteral(" page %1 / %2 ").arg(vue_->currentPage()).arg(vue_->pageCount()));
}

QString ApercuImpression::fileChoisie() const { return files_->currentText(); }
int ApercuImpression::nombrePages() const { return vue_->pageCount(); }
int ApercuImpression::pageMontree() const { return vue_->currentPage(); }
