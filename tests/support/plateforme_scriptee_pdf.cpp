#include "tests/support/plateforme_scriptee_pdf.h"

#include <QFile>
#include <gtest/gtest.h>

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

Imprimante* PlateformeScripteePdf::apercu(const DessinDocument& dessin) {
    if (!pdfApercu.empty()) {
        ImprimantePdf pages(QString::fromStdString(pdfApercu), resolutionImpression);
        dessin(pages);
    }
    boites.push_back({"apercu", "aperçu avant impression", ""});
    if (apercus.empty()) {
        ADD_FAILURE() << "aperçu sans réponse prévue";
        throw BoiteSansReponse("aperçu");
    }
    const bool imprimer = apercus.front();
    apercus.pop_front();
    return imprimer ? &imprimante() : nullptr;
}
