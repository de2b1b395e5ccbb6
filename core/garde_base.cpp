#include "core/garde_base.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/fichier_sur.h"
#include "core/services.h"

namespace {
// One byte at 2^62: no base reaches it, so the lock stands beside anything other programs
// lock in the file's real content.
constexpr off_t kOctetVerrou = off_t(1) << 62;

struct flock plage(short genre) {
    struct flock l {};
    l.l_type = genre;
    l.l_whence = SEEK_SET;
    l.l_start = kOctetVerrou;
    l.l_len = 1;
    l.l_pid = 0;  // required of open-file-description locks
    return l;
}

// Whether a lock held through another open file description than fd's stands on the byte.
// Locks of fd's own description never conflict with a request made through it.
bool autreDetenteur(int fd) {
    struct flock l = plage(F_WRLCK);
    return fcntl(fd, F_OFD_GETLK, &l) == 0 && l.l_type != F_UNLCK;
}

int ouvrirPourVerrou(const std::string& chemin) {
    // Read-only is enough for a shared lock; non-blocking so that a fifo put in the base's
    // place cannot hang the window.
    return open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

bool memeChemin(const std::string& a, const std::string& b) {
    return a == b || cheminReel(a) == cheminReel(b);
}
}  // namespace

GardeBase::~GardeBase() { lacher(); }

GardeBase::GardeBase(GardeBase&& autre) noexcept { *this = std::move(autre); }

GardeBase& GardeBase::operator=(GardeBase&& autre) noexcept {
    if (this == &autre) return *this;
    lacher();
    chemin_ = std::move(autre.chemin_);
    identite_ = autre.identite_;
    verrou_ = autre.verrou_;
    fichierTenu_ = autre.fichierTenu_;
    aSignaler_ = autre.aSignaler_;
    autre.verrou_ = -1;
    autre.oublier();
    return *this;
}

void GardeBase::lacher() {
    if (verrou_ >= 0) close(verrou_);
    verrou_ = -1;
    fichierTenu_ = {};
}

void GardeBase::tenir(const std::string& chemin, const IdentiteFichier& id, bool chercherAutres) {
    aSignaler_ = false;
    // Reading the same file again keeps the lock already held on it.
    if (verrou_ < 0 || !fichierTenu_.memeFichier(id)) {
        lacher();
        if (!id.connue) return;
        const int fd = ouvrirPourVerrou(chemin);
        if (fd < 0) return;
        struct stat st;
        // Another file put in its place since: not the base this window has.
        if (fstat(fd, &st) != 0 || !IdentiteFichier::de(st).memeFichier(id)) {
            close(fd);
            return;
        }
        // Taken before looking, so that two windows opening the base at the same moment see
        // each other. A file system without these locks leaves the window without one: the
        // check before saving still guards the file.
        struct flock l = plage(F_RDLCK);
        fcntl(fd, F_OFD_SETLK, &l);
        verrou_ = fd;
        fichierTenu_ = id;
    }
    aSignaler_ = chercherAutres && autreDetenteur(verrou_);
}

void GardeBase::apresLecture(const std::string& chemin, const IdentiteFichier& lu) {
    chemin_ = chemin;
    identite_ = lu;
    tenir(chemin, lu, true);
}

void GardeBase::apresEcriture(const std::string& chemin, const IdentiteFichier& ecrit) {
    chemin_ = chemin;
    identite_ = ecrit;
    // The new file is this window's own: no other window can hold it yet.
    tenir(chemin, ecrit, false);
}

void GardeBase::oublier() {
    lacher();
    chemin_.clear();
    identite_ = {};
    aSignaler_ = false;
}

GardeBase::Etat GardeBase::etat(const std::string& chemin) const {
    if (chemin_.empty() || !memeChemin(chemin, chemin_)) return Etat::kInchangee;
    struct stat st;
    if (stat(chemin.c_str(), &st) != 0) {
        // Any other failure (a permission, the disk) is the writer's to report.
        return errno == ENOENT || errno == ENOTDIR ? Etat::kDisparue : Etat::kInchangee;
    }
    // Written or read without knowing what it was (the system would not say): nothing to
    // compare with.
    if (!identite_.connue) return Etat::kInchangee;
    return IdentiteFichier::de(st) == identite_ ? Etat::kInchangee : Etat::kModifiee;
}

bool GardeBase::accepterEcriture(const std::string& chemin, Messages& messages) const {
    if (etat(chemin) == Etat::kInchangee) return true;
    if (messages.question(avecChemin(kModifieeAilleurs, chemin), Boutons::OuiNon) == kOui) return true;
    messages.message(avecChemin(kNonEnregistreeAilleurs, chemin));
    return false;
}

void GardeBase::signalerOuvertureAilleurs(Messages& messages) {
    if (!aSignaler_) return;
    aSignaler_ = false;
    messages.message(avecChemin(kDejaOuverte, chemin_));
}

bool baseTenueAilleurs(const std::string& chemin) {
    const int fd = ouvrirPourVerrou(chemin);
    if (fd < 0) return false;
    const bool tenue = autreDetenteur(fd);
    close(fd);
    return tenue;
}
