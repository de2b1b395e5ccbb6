#pragma once
// The cards of a table in its order, copied out or written in, for tests that compare whole
// tables: the table's own memory holds them in no particular order.

#include <string>
#include <vector>

#include "core/table_fiches.h"

inline std::vector<Fiche> fichesDe(const TableFiches& table, std::size_t nombre) {
    std::vector<Fiche> fiches(nombre);
    for (std::size_t i = 0; i < nombre; ++i) fiches[i] = table[i];
    return fiches;
}

inline std::string octetsDe(const TableFiches& table, std::size_t nombre) {
    const std::vector<Fiche> fiches = fichesDe(table, nombre);
    return std::string(reinterpret_cast<const char*>(fiches.data()), nombre * sizeof(Fiche));
}

inline void poserFiches(TableFiches& table, const Fiche* fiches, std::size_t nombre) {
    for (std::size_t i = 0; i < nombre; ++i) table[i] = fiches[i];
}
