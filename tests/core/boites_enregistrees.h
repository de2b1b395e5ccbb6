#pragma once
// The boxes core code shows, recorded in order as the scripted platform of the window tests
// records them, without the toolkit; a question finds its answer in a queue or fails the test.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/services.h"

class BoitesEnregistrees : public Messages {
public:
    struct Boite {
        std::string genre;  // "message", "question", "confirmation"
        std::string texte;
    };
    std::vector<Boite> boites;
    std::deque<int> reponses;

    void message(const std::string& texte) override { boites.push_back({"message", texte}); }
    int question(const std::string& texte, Boutons) override {
        boites.push_back({"question", texte});
        return repondre(texte);
    }
    int confirmation(const std::string& texte) override {
        boites.push_back({"confirmation", texte});
        return repondre(texte);
    }

    // The texts of the boxes of one kind, in order.
    std::vector<std::string> textes(const std::string& genre) const {
        std::vector<std::string> r;
        for (const Boite& b : boites) {
            if (b.genre == genre) r.push_back(b.texte);
        }
        return r;
    }
    // Forgets the boxes recorded so far.
    void oublier() { boites.clear(); }

private:
    int repondre(const std::string& texte) {
        if (reponses.empty()) {
            ADD_FAILURE() << "question sans réponse prévue : " << texte;
            return kAnnuler;
        }
        int r = reponses.front();
        reponses.pop_front();
        return r;
    }
};
