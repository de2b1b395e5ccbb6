#pragma once
// A Messages implementation for core tests: records plain messages, answers questions from a
// queue, and fails the test when a question finds no answer.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/services.h"

class MessagesEnregistres : public Messages {
public:
    std::vector<std::string> messages;
    std::deque<int> reponses;
    std::vector<std::string> questions;  // the texts of the question boxes, in order

    void message(const std::string& texte) override { messages.push_back(texte); }
    int question(const std::string& texte, Boutons) override {
        questions.push_back(texte);
        return repondre(texte);
    }
    int confirmation(const std::string& texte) override { return repondre(texte); }

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
