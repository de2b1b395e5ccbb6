// Taking cards from other files: appending a base of this program, importing a base of the
// sibling program's older 772-byte format.

#include <cerrno>
#include <climits>
#include <new>
#include <vector>

#include "core/attributs.h"
#include "core/magasin_fiches.h"
#include "core/lecture_base.h"
#include "core/textes.h"

namespace {
// The sibling format's card: number, title, description, and no picture.
constexpr std::size_t kTailleImport = 772;
constexpr std::size_t kDebutTitre = 4;
constexpr std::size_t kDebutDescription = 260;

template <std::size_t N>
void copierTexte(char (&champ)[N], const char* source, std::size_t tailleSource) {
    ecrireChamp(champ, std::string_view(source, strnlen(source, tailleSource)));
}
}  // namespace

bool MagasinFiches::ajouterBase(const std::string& chemin, const std::function<bool(std::size_t)>& accepter) {
    struct stat st;
    Descripteur fd(ouvrirPourLecture(messages_, chemin, true, st));
    if (fd.get() < 0) return false;
    const std::size_t premiere = static_cast<std::size_t>(derniere + 1);
    const auto attendues = static_cast<unsigned long long>(st.st_size) / sizeof(Fiche);
    if (premiere + attendues >= static_cast<unsigned long long>(INT32_MAX)) {
        messages_.message(avecChemin("le fichier %s ajouterait trop de fiches à la base.", chemin));
        return false;
    }
    if (accepter && !accepter(static_cast<std::size_t>(attendues))) return false;
    long long lu;
    try {
        // The places past the cards (the blank slot of a base without cards) go first: the
        // file is read into fresh slots that follow one another.
        fiches.redimensionner(premiere);
        fiches.redimensionner(premiere + static_cast<std::size_t>(attendues) + 1);
        lu = lireDansTable(fd.get(), fiches, premiere);
    } catch (const std::bad_alloc&) {
        fiches.redimensionner(std::max<std::size_t>(premiere, 1));
        messages_.message(avecChemin("mémoire insuffisante pour ajouter le fichier %s", chemin));
        return false;
    }
    const int erreur = errno;
    std::size_t n = lu < 0 ? 0 : static_cast<std::size_t>(lu) / sizeof(Fiche);
    if (premiere + n >= static_cast<std::size_t>(INT32_MAX)) n = 0;
    fiches.redimensionner(std::max<std::size_t>(premiere + n, 1));
    if (premiere + n == 0) viderFiche(fiches[0]);  // still a base without cards
    if (lu < 0) {
        messages_.message(avecChemin(textes::kErreurLecture, chemin) +
                          raisonSysteme(erreur));
        return false;
    }
    for (std::size_t i = premiere; i < premiere + n; ++i) fiches[i].numero = static_cast<int32_t>(i);
    derniere = static_cast<int32_t>(premiere + n) - 1;
    modifiee = true;
    return true;
}

void MagasinFiches::importerBase(const std::string& chemin) {
    struct stat st;
    Descripteur fd(ouvrirPourLecture(messages_, chemin, false, st));
    if (fd.get() < 0) return;
    const auto attendues = static_cast<unsigned long long>(st.st_size) / kTailleImport;
    if (attendues >= static_cast<unsigned long long>(INT32_MAX)) {
        messages_.message(avecChemin("le fichier %s contient trop de fiches pour être importé.", chemin));
        return;
    }
    TableFiches nouvelle;
    std::size_t n = 0;
    try {
        nouvelle.redimensionner(static_cast<std::size_t>(attendues) + 1);
        // Blocks of whole records; a partial record at the end is ignored.
        std::vector<char> bloc(4096 * kTailleImport);
        std::size_t dansBloc = 0;
        for (;;) {
            const ssize_t r = read(fd.get(), bloc.data() + dansBloc, bloc.size() - dansBloc);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                messages_.message(avecChemin(textes::kErreurLecture, chemin) +
                                  raisonSysteme(errno));
                return;
            }
            dansBloc += static_cast<std::size_t>(r);
            const std::size_t entiers = dansBloc / kTailleImport;
            if (n + entiers + 1 > nouvelle.places()) nouvelle.redimensionner((n + entiers) * 3 / 2 + 1);
            for (std::size_t k = 0; k < entiers; ++k, ++n) {
                const char* src = bloc.data() + k * kTailleImport;
                Fiche& f = nouvelle[n];
                std::memcpy(&f.numero, src, sizeof f.numero);
                copierTexte(f.titre, src + kDebutTitre, 256);
                copierTexte(f.description, src + kDebutDescription, 512);
                f.image[0] = '\0';
            }
            std::memmove(bloc.data(), bloc.data() + entiers * kTailleImport, dansBloc - entiers * kTailleImport);
            dansBloc -= entiers * kTailleImport;
            if (r == 0) break;
        }
        if (n >= static_cast<std::size_t>(INT32_MAX)) {
            messages_.message(avecChemin("le fichier %s contient trop de fiches pour être importé.", chemin));
            return;
        }
        nouvelle.redimensionner(n + 1);
    } catch (const std::bad_alloc&) {
        messages_.message(avecChemin("mémoire insuffisante pour importer le fichier %s", chemin));
        return;
    }
    fiches = std::move(nouvelle);
    derniere = static_cast<int32_t>(n) - 1;
    courante = 0;
}
