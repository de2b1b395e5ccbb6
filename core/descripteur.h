#pragma once
// A file descriptor closed when it goes out of scope.

#include <unistd.h>

class Descripteur {
public:
    explicit Descripteur(int fd = -1) : fd_(fd) {}
    ~Descripteur() { fermer(); }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int get() const { return fd_; }
    // Closes now, for callers that must know whether the close succeeded.
    int fermer() {
        const int r = fd_ >= 0 ? close(fd_) : 0;
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};
