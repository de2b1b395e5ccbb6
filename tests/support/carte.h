#pragma once
// A card as the tests write it: every byte past the texts zero, as a fresh record is.

#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/fiche.h"

inline Fiche carte(int32_t numero, std::string_view titre, std::string_view description = {},
                   std::string_view image = {}) {
    Fiche f;
    std::memset(static_cast<void*>(&f), 0, sizeof f);
    f.numero = numero;
    ecrireChamp(f.titre, titre);
    ecrireChamp(f.description, description);
    ecrireChamp(f.image, image);
    return f;
}
