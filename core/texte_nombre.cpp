#include "core/texte_nombre.h"

uint32_t lireEntier(const char* texte) {
    uint32_t valeur = 0;
    for (const char* p = texte; *p >= '0' && *p <= '9'; ++p) {
        valeur = valeur * 10u + static_cast<uint32_t>(*p - '0');
    }
    return valeur;
}

void entierEnTexte(uint32_t valeur, char* tampon, uint32_t base) {
    if (base < 2) base = 10;  // a base below 2 would never end
    int compte = 1;
    for (uint32_t q = valeur / base; q != 0; q /= base) ++compte;
    tampon[compte] = '\0';
    int i = compte - 1;
    do {
        tampon[i--] = static_cast<char>('0' + valeur % base);
        valeur /= base;
    } while (valeur != 0);
}

std::string enDecimal(int32_t valeur) { return std::to_string(valeur); }

uint32_t lireNombreSigne(const char* texte) {
    if (*texte == '-') return 0u - lireEntier(texte + 1);
    return lireEntier(texte);
}
