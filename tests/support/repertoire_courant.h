#pragma once
// The process's working directory for the time of a test, given back at its end: the start
// directory is where the program finds its configuration and its placeholder picture.

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

class RepertoireCourant {
public:
    explicit RepertoireCourant(const std::string& chemin) {
        char tampon[PATH_MAX];
        if (getcwd(tampon, sizeof tampon)) ancien_ = tampon;
        ok_ = chdir(chemin.c_str()) == 0;
    }
    ~RepertoireCourant() {
        if (!ancien_.empty() && chdir(ancien_.c_str()) != 0) std::perror("chdir");
    }
    RepertoireCourant(const RepertoireCourant&) = delete;
    RepertoireCourant& operator=(const RepertoireCourant&) = delete;

    // Whether the directory was entered (and the one before it known, to go back to).
    bool ok() const { return ok_ && !ancien_.empty(); }

private:
    std::string ancien_;
    bool ok_ = false;
};
