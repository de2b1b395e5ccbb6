#include "core/tri.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "core/magasin_fiches.h"
#include "core/ordre_titres.h"

// How the exchange sort treats equal keys
//
// Pass i inserts record i among the records 0..i-1, already in order, in front of the first
// one whose key is strictly greater: it lands after the records of an equal key. The records
// from there up to slot i are carried along by exchanges, and the record held in slot i is
// exchanged with the next one only when its key is strictly smaller. Inside a run of equal
// keys it is therefore never exchanged, and it leaves the run only at its end: every run of a
// greater key has its first record moved to its end.
//
// Seen from one key, its records form a queue. They join at the back in table order, and each
// later record of a smaller key rotates the queue by one (front to back); records of greater
// keys leave it alone. The group's final order is the queue's order, at the key's place in the
// sorted table.
//
// While the group holds j records, it is rotated once per record of a smaller key whose index
// lies between its j-th and (j+1)-th records (after its last one for the final rotation).
// These are differences of S(r), the number of records with a smaller key and a lower index
// than r, which one Fenwick tree over the indices gives for every record, keys taken in
// ascending order. Rotations count modulo the group's size. The queue is then replayed as a
// circular list (a joining record goes just before the front, a rotation moves the front) and
// the insertion positions are resolved backwards, each record taking the k-th free slot.

namespace {

// Counts of indices inserted so far, by prefix: one bit per index, and a Fenwick tree over
// the words of bits, small enough to stay in the processor's cache for a million cards.
class CompteIndices {
public:
    explicit CompteIndices(uint32_t n)
        : bits_(static_cast<std::size_t>(n) / 64 + 1, 0), arbre_(bits_.size() + 1, 0) {}
    // Number of inserted indices below i.
    uint32_t avant(uint32_t i) const {
        uint32_t somme = 0;
        for (uint32_t k = i / 64; k > 0; k &= k - 1) somme += arbre_[k];
        const uint64_t dessous = (uint64_t{1} << (i % 64)) - 1;
        return somme + static_cast<uint32_t>(std::popcount(bits_[i / 64] & dessous));
    }
    void inserer(uint32_t i) {
        bits_[i / 64] |= uint64_t{1} << (i % 64);
        const std::size_t n = arbre_.size() - 1;
        for (std::size_t k = static_cast<std::size_t>(i / 64) + 1; k <= n; k += k & (~k + 1)) ++arbre_[k];
    }

private:
    std::vector<uint64_t> bits_;
    std::vector<uint32_t> arbre_;
};

// Slots 0..m-1, all free at first; takes the k-th free one.
class PlacesLibres {
public:
    void remplir(uint32_t m) {
        m_ = m;
        arbre_.resize(static_cast<std::size_t>(m) + 1);
        for (uint32_t k = 1; k <= m; ++k) arbre_[k] = k & (~k + 1);
        pas_ = std::bit_floor(m);
    }
    uint32_t prendre(uint32_t rang) {
        uint32_t pos = 0;
        uint32_t reste = rang + 1;
        for (uint32_t pas = pas_; pas != 0; pas >>= 1) {
            if (pos + pas <= m_ && arbre_[pos + pas] < reste) {
                pos += pas;
                reste -= arbre_[pos];
            }
        }
        for (uint32_t k = pos + 1; k <= m_; k += k & (~k + 1)) --arbre_[k];
        return pos;
    }

private:
    std::vector<uint32_t> arbre_;
    uint32_t m_ = 0;
    uint32_t pas_ = 0;
};

// ordre: the original indices sorted by key, equal keys by index; bornes: the start of each
// run of equal keys in ordre, then n. Puts each run in the order the exchange sort leaves it.
void ordonnerEgaux(std::vector<uint32_t>& ordre, const std::vector<uint32_t>& bornes) {
    const uint32_t n = static_cast<uint32_t>(ordre.size());
    std::size_t dernierGroupe = 0;  // one past the last run of two or more
    uint32_t plusGrand = 0;
    for (std::size_t g = 0; g + 1 < bornes.size(); ++g) {
        const uint32_t m = bornes[g + 1] - bornes[g];
        if (m >= 2) {
            dernierGroupe = g + 1;
            plusGrand = std::max(plusGrand, m);
        }
    }
    if (dernierGroupe == 0) return;  // all keys distinct: the sorted order is the answer

    std::vector<uint32_t> plusPetitsAvant(n);  // S of each sorted position, runs of two or more
    {
        CompteIndices compte(n);
        for (std::size_t g = 0; g < dernierGroupe; ++g) {
            const uint32_t b = bornes[g];
            const uint32_t e = bornes[g + 1];
            if (e - b >= 2) {
                for (uint32_t k = b; k < e; ++k) plusPetitsAvant[k] = compte.avant(ordre[k]);
            }
            for (uint32_t k = b; k < e; ++k) compte.inserer(ordre[k]);
        }
    }

    std::vector<uint32_t> position(plusGrand);
    std::vector<uint32_t> groupe(plusGrand);
    PlacesLibres libres;
    for (std::size_t g = 0; g < dernierGroupe; ++g) {
        const uint32_t b = bornes[g];
        const uint32_t e = bornes[g + 1];
        const uint32_t m = e - b;
        if (m < 2) continue;
        // Replay of the queue as a circular list: `front` is the slot of its first record.
        uint32_t front = 0;
        bool tourne = false;
        position[0] = 0;
        for (uint32_t j = 1; j < m; ++j) {
            // Most steps rotate less than a turn: no division for them.
            uint32_t rotation = plusPetitsAvant[b + j] - plusPetitsAvant[b + j - 1];
            if (rotation >= j) rotation %= j;
            tourne |= rotation != 0;
            front += rotation;
            if (front >= j) front -= j;
            position[j] = front;  // just before the front: the back of the queue
            ++front;
        }
        const uint32_t rotation = (b - plusPetitsAvant[e - 1]) % m;
        tourne |= rotation != 0;
        front = (front + rotation) % m;
        if (!tourne) continue;  // never rotated: the records stay in table order

        libres.remplir(m);
        for (uint32_t j = m; j-- > 0;) {
            const uint32_t place = libres.prendre(position[j]);
            groupe[(place + m - front) % m] = ordre[b + j];
        }
        std::copy(groupe.begin(), groupe.begin() + m, ordre.begin() + b);
    }
}

// Applies the order and keeps courante on the card it named.
int32_t appliquer(MagasinFiches& store, std::vector<uint32_t>& ordre,
                  const std::vector<uint32_t>& bornes, std::vector<uint32_t>* applique) {
    ordonnerEgaux(ordre, bornes);
    if (applique) *applique = ordre;
    const uint32_t n = static_cast<uint32_t>(ordre.size());
    const uint32_t ancienne = static_cast<uint32_t>(store.courante);
    for (uint32_t k = 0; k < n; ++k) {
        if (ordre[k] == ancienne) {
            store.courante = static_cast<int32_t>(k);
            break;
        }
    }
    // Only the slot numbers move: the cards stay where they lie.
    store.fiches.permuter(ordre);
    return store.courante;
}

int32_t trierAlpha(MagasinFiches& store, std::vector<uint32_t>* applique) {
    if (applique) applique->clear();
    if (store.derniere < 1) return store.courante;
    OrdreTitres parTitre = ordonnerParTitre(store.fiches, static_cast<uint32_t>(store.derniere) + 1);
    return appliquer(store, parTitre.ordre, parTitre.bornes, applique);
}

int32_t trierNum(MagasinFiches& store, std::vector<uint32_t>* applique) {
    if (applique) applique->clear();
    if (store.derniere < 1) return store.courante;
    const uint32_t n = static_cast<uint32_t>(store.derniere) + 1;
    const VueFiches fiches = store.fiches;

    // Number with its sign bit flipped (so that unsigned order is signed order) above the
    // index: one plain integer sort gives the key order with equal keys by index.
    std::vector<uint64_t> cles(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (i + 8 < n) __builtin_prefetch(&fiches[i + 8].numero);
        const uint32_t numero = static_cast<uint32_t>(fiches[i].numero) ^ 0x80000000u;
        cles[i] = (uint64_t{numero} << 32) | i;
    }
    std::sort(cles.begin(), cles.end());

    std::vector<uint32_t> ordre(n);
    std::vector<uint32_t> bornes;
    for (uint32_t k = 0; k < n; ++k) {
        ordre[k] = static_cast<uint32_t>(cles[k]);
        if (k == 0 || (cles[k - 1] >> 32) != (cles[k] >> 32)) bornes.push_back(k);
    }
    bornes.push_back(n);
    cles = std::vector<uint64_t>();
    return appliquer(store, ordre, bornes, applique);
}

}  // namespace

int32_t triAlphabetique(MagasinFiches& store) { return trierAlpha(store, nullptr); }
int32_t triAlphabetiqueOrdre(MagasinFiches& store, std::vector<uint32_t>& ordre) {
    return trierAlpha(store, &ordre);
}
int32_t triNumerique(MagasinFiches& store) { return trierNum(store, nullptr); }
int32_t triNumeriqueOrdre(MagasinFiches& store, std::vector<uint32_t>& ordre) { return trierNum(store, &ordre); }
