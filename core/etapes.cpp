#include "core/etapes.h"

#include <algorithm>
#include <cstring>

#include "core/cp1252.h"
#include "core/magasin_fiches.h"
#include "core/tri.h"

namespace {

std::size_t nombre(const MagasinFiches& store) { return static_cast<std::size_t>(store.derniere + 1); }

class EtapeAjout : public Etape {
public:
    EtapeAjout(std::size_t index, const Fiche& fiche)
        : Etape(GenreEtape::kAjout, "l'ajout de " + ficheDecrite(fiche), index, index + 1),
          fiche_(fiche) {}
    void annuler(MagasinFiches& store) override {
        garderPremieres(store, fichesAvant());
        store.courante = placeDe(store, fichesAvant());
    }
    void refaire(MagasinFiches& store) override {
        agrandir(store.fiches, fichesApres());
        store.fiches[fichesAvant()] = fiche_;
        store.derniere = static_cast<int32_t>(fichesAvant());
        store.courante = store.derniere;
    }
    std::size_t octets() const override { return sizeof *this; }

private:
    Fiche fiche_;
};

class EtapeModification : public Etape {
public:
    EtapeModification(std::size_t n, std::size_t index, const Fiche& avant, const Fiche& apres)
        : Etape(GenreEtape::kModification, "la modification de " + ficheDecrite(apres), n, n),
          index_(index), avant_(avant), apres_(apres) {}
    void annuler(MagasinFiches& store) override { remettre(store, avant_); }
    void refaire(MagasinFiches& store) override { remettre(store, apres_); }
    std::size_t octets() const override { return sizeof *this; }

private:
    void remettre(MagasinFiches& store, const Fiche& fiche) const {
        store.fiches[index_] = fiche;
        store.courante = static_cast<int32_t>(index_);
    }
    std::size_t index_;
    Fiche avant_;
    Fiche apres_;
};

class EtapeSuppression : public Etape {
public:
    EtapeSuppression(std::size_t n, std::size_t index, const Fiche& fiche)
        : Etape(GenreEtape::kSuppression, "la suppression de " + ficheDecrite(fiche), n, n - 1),
          index_(index), fiche_(fiche) {}
    void annuler(MagasinFiches& store) override {
        if (fichesAvant() == 1) {
            // The only card was blanked in its place, which stays as the base's blank slot.
            store.fiches[0] = fiche_;
        } else {
            store.fiches.redimensionner(fichesApres());
            store.fiches.reinserer({index_}, retenue_);
        }
        store.derniere = static_cast<int32_t>(fichesAvant()) - 1;
        store.courante = static_cast<int32_t>(index_);
    }
    void refaire(MagasinFiches& store) override {
        store.courante = static_cast<int32_t>(index_);
        supprimerEnRetenant(store);
    }
    std::size_t octets() const override { return sizeof *this + retenue_.octets(); }
    // The deletion itself: the card's slot is kept here for undo, the card left where it lies.
    void supprimerEnRetenant(MagasinFiches& store) {
        if (fichesAvant() == 1) {
            store.supprimerFiche();
            return;
        }
        retenue_ = store.fiches.retirer({index_});
        --store.derniere;
        if (store.courante > store.derniere) store.courante = store.derniere;
        store.fiches.redimensionner(fichesApres());
    }

private:
    std::size_t index_;
    Fiche fiche_;  // for the only card, blanked in place rather than taken out
    FichesRetenues retenue_;
};

class EtapeTri : public Etape {
public:
    EtapeTri(GenreEtape genre, std::size_t n, std::vector<uint32_t> ordre, int32_t avant, int32_t apres)
        : Etape(genre, genre == GenreEtape::kTriAlphabetique ? "le tri alphabétique" : "le tri numérique", n, n),
          ordre_(std::move(ordre)), courantAvant_(avant), courantApres_(apres) {}
    void annuler(MagasinFiches& store) override {
        if (!ordre_.empty()) {
            // The card now at slot k was at slot ordre[k]: slot ordre[k] takes it back.
            std::vector<uint32_t> inverse(ordre_.size());
            for (uint32_t k = 0; k < ordre_.size(); ++k) inverse[ordre_[k]] = k;
            store.fiches.permuter(inverse);
        }
        store.courante = courantAvant_;
    }
    void refaire(MagasinFiches& store) override {
        store.fiches.permuter(ordre_);
        store.courante = courantApres_;
    }
    std::size_t octets() const override { return sizeof *this + ordre_.capacity() * sizeof(uint32_t); }

private:
    std::vector<uint32_t> ordre_;
    int32_t courantAvant_;
    int32_t courantApres_;
};

// Cards replaced in place, and cards past the shorter of the two tables (appended by the change,
// or cut by it). Each replaced card's other state is kept and swapped in at every undo and redo;
// the cards past the shorter table are kept only while they are out of it.
class EtapeFiches : public Etape {
public:
    EtapeFiches(GenreEtape genre, std::string description, std::size_t avant, std::size_t apres,
                std::vector<FicheRemplacee> remplacees, std::vector<Fiche> horsTable, std::size_t annulee,
                std::size_t refaite)
        : Etape(genre, std::move(description), avant, apres), remplacees_(std::move(remplacees)),
          copies_(std::move(horsTable)), annulee_(annulee), refaite_(refaite) {}
    void annuler(MagasinFiches& store) override {
        basculer(store, fichesApres(), fichesAvant());
        store.courante = placeDe(store, annulee_);
    }
    void refaire(MagasinFiches& store) override {
        basculer(store, fichesAvant(), fichesApres());
        store.courante = placeDe(store, refaite_);
    }
    std::size_t octets() const override {
        return sizeof *this + remplacees_.capacity() * sizeof(FicheRemplacee) + horsTable_.octets() +
               copies_.capacity() * sizeof(Fiche);
    }
    std::size_t octetsAuPlus() const override {
        const std::size_t ecart = std::max(fichesAvant(), fichesApres()) - std::min(fichesAvant(), fichesApres());
        return octetsEtapeFiches(remplacees_.size(), ecart);
    }

private:
    // From a table of de cards to one of vers cards. What may fail (memory) comes first.
    void basculer(MagasinFiches& store, std::size_t de, std::size_t vers) {
        // The cards past the shorter table keep their slots, out of the table's order.
        if (vers < de) {
            horsTable_ = retenirDernieres(store, vers, de);
        } else if (vers > de && !copies_.empty()) {
            // Cards cut by a change that replaced the whole table: only their copies are left.
            store.fiches.redimensionner(vers);
            for (std::size_t k = 0; k < copies_.size(); ++k) store.fiches[de + k] = copies_[k];
            store.derniere = static_cast<int32_t>(vers) - 1;
            copies_ = std::vector<Fiche>();
        } else if (vers > de) {
            remettreDernieres(store, de, vers, horsTable_);
            horsTable_ = FichesRetenues();
        }
        for (FicheRemplacee& r : remplacees_) std::swap(r.avant, store.fiches[r.index]);
    }
    std::vector<FicheRemplacee> remplacees_;  // the state of each replaced card not in the table
    FichesRetenues horsTable_;
    std::vector<Fiche> copies_;
    std::size_t annulee_;
    std::size_t refaite_;
};

std::vector<std::size_t> intervalle(std::size_t debut, std::size_t fin) {
    std::vector<std::size_t> positions(fin - debut);
    for (std::size_t k = 0; k < positions.size(); ++k) positions[k] = debut + k;
    return positions;
}

}  // namespace

std::string ficheDecrite(const Fiche& fiche) {
    std::string d = "la fiche " + std::to_string(fiche.numero);
    std::string titre = cp1252VersUtf8(texteChamp(fiche.titre));
    if (titre.empty()) return d;
    // A menu caption is one line, and no wider than a screen: a long title is cut after its
    // first kTitreDecrit characters (UTF-8 sequences kept whole) and ends with "…".
    for (char& c : titre) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    std::size_t caracteres = 0;
    for (std::size_t i = 0; i < titre.size(); ++i) {
        if ((static_cast<unsigned char>(titre[i]) & 0xC0) == 0x80) continue;
        if (caracteres++ == kTitreDecrit) {
            titre.resize(i);
            titre += "…";
            break;
        }
    }
    d += " « ";
    d += titre;
    d += " »";
    return d;
}

std::string deFiches(std::size_t n) {
    if (n == 1) return "d'une fiche";
    std::string d = "de ";
    d += std::to_string(n);
    d += n == 0 ? " fiche" : " fiches";
    return d;
}

int32_t placeDe(const MagasinFiches& store, std::size_t index) {
    return static_cast<int32_t>(std::min<std::size_t>(index, static_cast<std::size_t>(std::max(store.derniere, 0))));
}

void agrandir(TableFiches& table, std::size_t places) {
    if (places == table.places() + 1) {
        table.ajouterPlace();
    } else {
        table.redimensionner(places);
    }
}

FichesRetenues retenirDernieres(MagasinFiches& store, std::size_t avant, std::size_t apres) {
    FichesRetenues retenues = store.fiches.retirer(intervalle(avant, apres));
    garderPremieres(store, avant);
    return retenues;
}

void remettreDernieres(MagasinFiches& store, std::size_t avant, std::size_t apres, FichesRetenues& retenues) {
    // What is past the first cards (the blank slot of a base without cards) goes first.
    std::vector<std::size_t> positions = intervalle(avant, apres);
    store.fiches.redimensionner(avant);
    store.fiches.reinserer(positions, retenues);
    if (apres == 0) garderPremieres(store, 0);
    store.derniere = static_cast<int32_t>(apres) - 1;
}

void garderPremieres(MagasinFiches& store, std::size_t n) {
    store.fiches.redimensionner(std::max<std::size_t>(n, 1));
    if (n == 0) viderFiche(store.fiches[0]);  // the slot shown while the base holds no card
    store.derniere = static_cast<int32_t>(n) - 1;
}

std::unique_ptr<Etape> etapeAjout(const MagasinFiches& store) {
    const std::size_t index = static_cast<std::size_t>(store.derniere);
    return std::make_unique<EtapeAjout>(index, store.fiches[index]);
}

std::unique_ptr<Etape> etapeModification(const MagasinFiches& store, int32_t index, const Fiche& avant) {
    const auto i = static_cast<std::size_t>(index);
    return std::make_unique<EtapeModification>(nombre(store), i, avant, store.fiches[i]);
}

std::unique_ptr<Etape> etapeAjoutFiches(const MagasinFiches& store, std::size_t premiere, GenreEtape genre) {
    const std::size_t n = nombre(store) - premiere;
    std::string description = (genre == GenreEtape::kImportCsv ? "l'importation " : "l'ajout ") + deFiches(n);
    return etapeFiches(store, genre, std::move(description), premiere, {}, {}, premiere, premiere);
}

std::unique_ptr<Etape> etapeFiches(const MagasinFiches& store, GenreEtape genre, std::string description,
                                   std::size_t avant, std::vector<FicheRemplacee> remplacees,
                                   std::vector<Fiche> retirees, std::size_t annulee, std::size_t refaite) {
    return std::make_unique<EtapeFiches>(genre, std::move(description), avant, nombre(store), std::move(remplacees),
                                         std::move(retirees), annulee, refaite);
}

std::size_t octetsEtapeFiches(std::size_t remplacees, std::size_t ecart) {
    return sizeof(EtapeFiches) + remplacees * sizeof(FicheRemplacee) + ecart * sizeof(Fiche);
}

std::unique_ptr<Etape> supprimer(MagasinFiches& store) {
    if (store.derniere < 0) return nullptr;
    const auto index = static_cast<std::size_t>(store.courante);
    auto etape = std::make_unique<EtapeSuppression>(nombre(store), index, store.fiches[index]);
    etape->supprimerEnRetenant(store);
    return etape;
}

std::unique_ptr<Etape> trier(MagasinFiches& store, GenreEtape tri) {
    std::vector<uint32_t> ordre;
    const int32_t avant = store.courante;
    const int32_t apres = tri == GenreEtape::kTriAlphabetique ? triAlphabetiqueOrdre(store, ordre)
                                                              : triNumeriqueOrdre(store, ordre);
    ordre.shrink_to_fit();
    return std::make_unique<EtapeTri>(tri, nombre(store), std::move(ordre), avant, apres);
}
