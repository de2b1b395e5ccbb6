#include "tests/support/plateforme_scriptee_pdf.h"

#include <QFile>

#include "print/imprimante_pdf.h"

namespace {

// A cancelled document leaves no file, as a cancelled print job leaves no paper.
class ImprimanteFichierPdf : public ImprimantePdf {
public:
    ImprimanteFichierPdf(const QString& fichier, int resolution)
        : ImprimantePdf(fichier, resolution), fichier_(fichier) {}
    void abandonner() override {
        ImprimantePdf::abandonner();
        QFile::remove(fichier_);
    }

private:
    QString fichier_;
};

}  // namespace

Imprimante& PlateformeScripteePdf::imprimante() {
    if (pdfImpression.empty()) return PlateformeScriptee::imprimante();
    imprimantePdf_ = std::make_unique<ImprimanteFichierPdf>(QString::fromStdString(pdfImpression),
                                                            resolutionImpression);
    return *imprimantePdf_;
}
