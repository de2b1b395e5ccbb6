// Any bytes as a WMF or EMF picture: a picture of the size asked for or an Erreur, never a
// crash, a hang or an unbounded allocation. The bytes go the way of every metafile the program
// shows: to brevandoux-image, the program of ours that runs the converter libraries; one that
// dies is an Erreur here, and BREVANDOUX_FUZZ_BILAN=1 counts them at the end. The program
// shuts itself in as it does for the window (image/confinement.h): a decoder that needs a
// refused call shows as a refused picture in the count or as a crash, and a program that
// could not shut itself in stops the run.

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "core/services.h"
#include "platform/metafichier.h"

namespace {

// Never destroyed: the count is printed by an exit handler.
std::map<std::string, long>& bilan() {
    static auto* b = new std::map<std::string, long>;
    return *b;
}

void afficherBilan() {
    for (const auto& [raison, nombre] : bilan())
        std::fprintf(stderr, "bilan: %8ld %s\n", nombre, raison.c_str());
}

}  // namespace

// Drawing text loads fontconfig, which keeps its allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:FcConfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    static int argc = 1;
    static char nom[] = "fuzz_metafichier";
    static char* argv[] = {nom, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt SVG and QFont warn about every odd attribute; the fuzzer only wants crashes.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        if (std::getenv("BREVANDOUX_FUZZ_BILAN") != nullptr) std::atexit(afficherBilan);
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    if (taille == 0) return 0;
    // The first byte picks the format and the target size, the rest is the file.
    const FormatMetafichier format =
        (donnees[0] & 1) != 0 ? FormatMetafichier::Emf : FormatMetafichier::Wmf;
    const QSize cible = (donnees[0] & 2) != 0 ? QSize(1000, 1000) : QSize(178, 178);
    const QByteArray octets(reinterpret_cast<const char*>(donnees + 1),
                            static_cast<qsizetype>(taille - 1));
    try {
        const QImage image = rendreMetafichier(octets, format, cible);
        if (image.size() != cible) std::abort();
        ++bilan()["image"];
    } catch (const Erreur& e) {
        if (std::string(e.what()).rfind("le convertisseur n'a pas pu s'isoler", 0) == 0) {
            std::fprintf(stderr, "%s\n", e.what());
            std::abort();
        }
        ++bilan()[e.what()];
    }
    return 0;
}
