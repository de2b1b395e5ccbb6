#pragma once
// The Messages the core's tests give the code they run, without the toolkit: one that records
// plain messages, one that records every box in order as the scripted platform of the window
// tests records them, and one that says nothing. A question finds its answer in a queue, or
// fails the test.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/services.h"

// The answers the test has planned for the questions, in order.
class ReponsesPrevues {
public:
    std::deque<int> reponses;

protected:
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

class MessagesEnregistres : public Messages, public ReponsesPrevues {
public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;  // the texts of the question boxes, in order

    void message(const std::string& texte) override { messages.push_back(texte); }
    int question(const std::string& texte, Boutons) override {
        questions.push_back(texte);
        return repondre(texte);
    }
    int confirmation(const std::string& texte) override { return repondre(texte); }
};

class BoitesEnregistrees : public Messages, public ReponsesPrevues {
public:
    struct Boite {
        std::string genre;  // "message", "question", "confirmation"
        std::string texte;
    };
    std::vector<Boite> boites;

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
};

// For code whose boxes the test does not look at: every question is answered "OK" and every
// confirmation "Oui".
class SansMessages : public Messages {
public:
    void message(const std::string&) override {}
    int question(const std::string&, Boutons) override { return kOk; }
    int confirmation(const std::string&) override { return kOui; }
};
