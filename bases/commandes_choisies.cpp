// What the board does with the cards chosen on it that changes bases: deleting them, copying
// them into another base.

#include "core/copie_fiches.h"
#include "core/fiches_choisies.h"
#include "bases/controleur_base.h"
#include "ui/tform1.h"

void ControleurBase::supprimerChoisies(const std::vector<uint32_t>& choisies) {
    if (vue_.enSaisie() || store_.derniere < 0) return;
    const std::vector<uint32_t> places = indicesValides(store_, choisies);
    if (places.empty()) return;
    if (plateforme_.question(questionSupprimerChoisies(places.size()), Boutons::OkAnnuler) != kOk) return;
    // So many cards that the step cannot be kept: the user is told first that it cannot be undone.
    const std::size_t octets = octetsSuppressionChoisies(static_cast<std::size_t>(store_.nombreFiches()), places.size());
    if (!accepterSansAnnulation(store_.historique, plateforme_, octets)) return;
    std::unique_ptr<Etape> etape = ::supprimerChoisies(store_, places);
    store_.modifiee = true;
    store_.historique.noter(std::move(etape), store_);
    vue_.montrerBase(kSansActiverSauvegarde);
}

void ControleurBase::copierChoisies(const std::vector<uint32_t>& choisies) {
    if (indicesValides(store_, choisies).empty()) return;
    DialogueFichier dialogue = TForm1::SaveDialog();
    dialogue.titre = QStringLiteral("copier les fiches choisies dans une autre base");
    const std::optional<std::string> choisi = plateforme_.enregistrerFichier(dialogue);
    if (!choisi) return;
    const std::size_t copiees = copierFichesVers(store_, choisies, *choisi);
    if (copiees > 0) {
        plateforme_.message(std::to_string(copiees) + (copiees == 1 ? " fiche copiée dans " : " fiches copiées dans ") +
                            *choisi);
    }
}
