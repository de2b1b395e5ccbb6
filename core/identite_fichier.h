#pragma once
// What tells one version of a file from another without reading it: the file itself (device
// and inode) and its size and modification time to the nanosecond. Replacing a file by
// renaming another over it changes the inode; rewriting it in place changes the time or the
// size.

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>

struct IdentiteFichier {
    bool connue = false;
    dev_t peripherique = 0;
    ino_t inode = 0;
    off_t taille = 0;
    timespec modification{};

    static IdentiteFichier de(const struct stat& st) {
        return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    bool memeFichier(const IdentiteFichier& autre) const {
        return connue && autre.connue && peripherique == autre.peripherique && inode == autre.inode;
    }
    bool operator==(const IdentiteFichier& autre) const {
        return memeFichier(autre) && taille == autre.taille &&
               modification.tv_sec == autre.modification.tv_sec &&
               modification.tv_nsec == autre.modification.tv_nsec;
    }
};
