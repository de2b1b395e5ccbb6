#include "core/historique.h"

#include "core/magasin_fiches.h"
#include "core/services.h"
#include "core/textes.h"

#include <algorithm>
#include <new>

namespace {
std::string libelle(const char* verbe, const Etape* etape) {
    std::string l = verbe;
    if (etape) {
        l += ' ';
        l += etape->description();
    }
    return l;
}
}  // namespace

void Historique::noter(std::unique_ptr<Etape> etape, MagasinFiches& store) {
    if (!etape) return;
    if (!gardable(etape->octetsAuPlus())) {
        noterSansEtape(store);
        return;
    }
    etapes_.resize(position_);
    if (enregistree_ && *enregistree_ > position_) enregistree_.reset();
    try {
        etapes_.push_back(std::move(etape));
    } catch (const std::bad_alloc&) {
        noterSansEtape(store);
        return;
    }
    ++position_;
    elaguer(position_ - 1);
    suivre(store);
}

void Historique::noterSansEtape(MagasinFiches& store) {
    store.modifiee = true;
    recommencer(store);
    oubliees_ = true;
}

bool Historique::annuler(MagasinFiches& store) {
    Etape* etape = position_ > 0 ? etapes_[position_ - 1].get() : nullptr;
    if (!etape) return false;
    if (etape->fichesApres() != static_cast<std::size_t>(store.derniere + 1)) {
        recommencer(store);
        return false;
    }
    etape->annuler(store);
    --position_;
    // An undone append now holds its cards: the history may have to make room, but not by
    // dropping that step, which would leave nothing to redo and nothing to undo.
    elaguer(position_);
    suivre(store);
    return true;
}

bool Historique::retablir(MagasinFiches& store) {
    Etape* etape = position_ < etapes_.size() ? etapes_[position_].get() : nullptr;
    if (!etape) return false;
    if (etape->fichesAvant() != static_cast<std::size_t>(store.derniere + 1)) {
        recommencer(store);
        return false;
    }
    etape->refaire(store);
    ++position_;
    // A redone step may now hold cards it cut from the table.
    elaguer(position_ - 1);
    suivre(store);
    return true;
}

std::string Historique::libelleAnnuler() const {
    if (!aAnnuler() && oubliees_) return kPlusRienAAnnuler;
    return libelle("annuler", aAnnuler());
}
std::string Historique::libelleRetablir() const { return libelle("rétablir", aRetablir()); }

void Historique::marquerEnregistre(MagasinFiches& store) {
    enregistree_ = position_;
    suivre(store);
}

void Historique::recommencer(MagasinFiches& store) {
    etapes_.clear();
    position_ = 0;
    enregistree_.reset();
    if (!store.modifiee) enregistree_ = 0;
    oubliees_ = false;
}

std::size_t Historique::octets() const {
    std::size_t total = 0;
    for (const auto& e : etapes_) total += e->octets();
    return total;
}

void Historique::elaguer(std::size_t garde) {
    // The oldest steps go first; then, if the steps undone alone are past the room, the ones
    // farthest from the position, which could be redone last.
    std::size_t total = octets();
    while (position_ > 0 && garde > 0 && (etapes_.size() > etapesMax_ || total > octetsMax_)) {
        total -= etapes_.front()->octets();
        etapes_.pop_front();
        --position_;
        --garde;
        oubliees_ = true;
        if (enregistree_) enregistree_ = *enregistree_ == 0 ? std::nullopt : std::optional(*enregistree_ - 1);
    }
    while (etapes_.size() > std::max(position_, garde + 1) && (etapes_.size() > etapesMax_ || total > octetsMax_)) {
        total -= etapes_.back()->octets();
        etapes_.pop_back();
        if (enregistree_ && *enregistree_ > etapes_.size()) enregistree_.reset();
    }
}

void Historique::suivre(MagasinFiches& store) const { store.modifiee = modifie(); }

bool accepterSansAnnulation(const Historique& historique, Messages& messages, std::size_t octets) {
    return historique.gardable(octets) || messages.question(textes::kSansAnnulation, Boutons::OkAnnuler) == kOk;
}
