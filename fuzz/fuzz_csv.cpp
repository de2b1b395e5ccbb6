// Any bytes read as a CSV table: no crash, no overrun, zero bytes only after each field of
// every card read, and a table accepted, written back by the exporter and read again, gives
// the same cards byte for byte.

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/tableau_csv.h"

namespace {
void verifier(bool condition) {
    if (!condition) std::abort();
}

bool zerosApresChaqueChamp(const Fiche& f) {
    for (const auto& [champ, taille] : {std::pair<const char*, std::size_t>{f.titre, sizeof f.titre},
                                        {f.description, sizeof f.description},
                                        {f.image, sizeof f.image}}) {
        for (std::size_t k = strnlen(champ, taille); k < taille; ++k) {
            if (champ[k] != '\0') return false;
        }
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
    TableFiches table;
    const LectureCsv lue = lireTableauCsv(octets, table, 0);
    verifier(lue.refus.size() <= kRefusGardes && lue.refus.size() <= lue.nombreRefus);
    verifier((lue.nombreRefus == 0) == lue.refus.empty());
    verifier(table.places() == lue.lues + 1);
    if (lue.nombreRefus != 0) {
        verifier(!messageRefusCsv("t.csv", lue).empty());
        return 0;
    }
    verifier(lue.sansNumero.size() == lue.lues && lue.lignes.size() == lue.lues);
    for (std::size_t i = 0; i < lue.lues; ++i) verifier(zerosApresChaqueChamp(table[i]));

    const std::string ecrit = tableauCsv(table, static_cast<int32_t>(lue.lues) - 1);
    TableFiches relue;
    const LectureCsv encore = lireTableauCsv(ecrit, relue, 0);
    verifier(encore.nombreRefus == 0 && encore.lues == lue.lues && encore.utf8);
    verifier(std::memcmp(relue.bloc(0, lue.lues), table.bloc(0, lue.lues), lue.lues * sizeof(Fiche)) == 0);
    return 0;
}
