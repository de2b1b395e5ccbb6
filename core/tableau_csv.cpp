// Writing cards as a CSV table (see tableau_csv.h for the format).

#include "core/tableau_csv.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "core/cp1252.h"
#include "core/marque_csv.h"

namespace {

constexpr std::string_view kDebut = "\xEF\xBB\xBFnumero,titre,description,image\r\n";

// What each byte of a text becomes in a cell: up to three bytes (a Windows-1252 byte as
// UTF-8, a quote doubled), and whether it makes the cell need quotes. Converting is then a
// look-up and a four-byte store per byte, with no branch.
struct Conversion {
    struct Entree {
        char octets[4];
        uint8_t taille;
        uint8_t guillemets;
    };
    std::array<Entree, 256> entrees{};

    explicit Conversion(bool depuisCp1252) {
        for (int b = 0; b < 256; ++b) {
            Entree& e = entrees[static_cast<std::size_t>(b)];
            std::string u;
            if (depuisCp1252) {
                ajouterUtf8(u, caractereCp1252(static_cast<unsigned char>(b)));
            } else {
                u = std::string(1, static_cast<char>(b));  // file-system bytes, already UTF-8
            }
            if (b == '"') u = "\"\"";
            std::memcpy(e.octets, u.data(), u.size());
            e.taille = static_cast<uint8_t>(u.size());
            e.guillemets = b == ',' || b == ';' || b == '"' || b == '\r' || b == '\n';
        }
    }
};
const Conversion kDepuisCp1252(true);
const Conversion kTelQuel(false);

// Room a record may take at most: every byte of the three texts converted to three, the
// number, the separators, quotes and marks, and the bytes a last four-byte store spills.
constexpr std::size_t kLigneMax = 16 + 3 * (255 + 511 + 255) + 16;

// A text as one cell, written at o; returns its end. The text is converted two bytes on, where
// an opening quote and the apostrophe mark may go, then moved back when they do not.
char* ecrireCellule(char* o, std::string_view t, const Conversion& conversion) {
    char* q = o + 2;
    uint8_t guillemets = 0;
    for (const char c : t) {
        const Conversion::Entree& e = conversion.entrees[static_cast<unsigned char>(c)];
        std::memcpy(q, e.octets, 4);
        q += e.taille;
        guillemets |= e.guillemets;
    }
    const bool entreGuillemets = guillemets != 0 || (!t.empty() && (t.front() == ' ' || t.back() == ' '));
    const bool marque = aMarquerCsv(t);
    const std::size_t prefixe = static_cast<std::size_t>(entreGuillemets) + static_cast<std::size_t>(marque);
    const auto longueur = static_cast<std::size_t>(q - (o + 2));
    if (prefixe != 2) std::memmove(o + prefixe, o + 2, longueur);
    if (entreGuillemets) *o++ = '"';
    if (marque) *o++ = '\'';
    o += longueur;
    if (entreGuillemets) *o++ = '"';
    return o;
}

char* ecrireNombre(char* o, int32_t numero) {
    uint32_t v = static_cast<uint32_t>(numero);
    if (numero < 0) {
        *o++ = '-';
        v = 0u - v;
    }
    char tampon[10];
    int n = 0;
    do {
        tampon[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *o++ = tampon[--n];
    return o;
}

char* ecrireLigne(char* o, const Fiche& f) {
    o = ecrireNombre(o, f.numero);
    *o++ = ',';
    o = ecrireCellule(o, texteChamp(f.titre), kDepuisCp1252);
    *o++ = ',';
    o = ecrireCellule(o, texteChamp(f.description), kDepuisCp1252);
    *o++ = ',';
    // The picture name is file-system bytes: written as they are when they are UTF-8 (the
    // system's file names), else read as the older Windows-1252 names.
    std::string_view nom = texteChamp(f.image);
    if (!nom.empty() && nom.front() == '\\') nom.remove_prefix(1);
    o = ecrireCellule(o, nom, utf8Valide(nom) ? kTelQuel : kDepuisCp1252);
    *o++ = '\r';
    *o++ = '\n';
    return o;
}

int ecrireTout(int fd, const char* donnees, std::size_t taille, const AppelsSysteme& appels) {
    while (taille > 0) {
        const ssize_t n = appels.ecrire(fd, donnees, taille);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        donnees += n;
        taille -= static_cast<std::size_t>(n);
    }
    return 0;
}

constexpr std::size_t kParBloc = 1024;  // cards converted at a time
constexpr off_t kSignalerTous = off_t(16) << 20;

// Converting takes most of an export's time, so blocks of cards are converted by threads
// while this one writes the blocks done, in order. Each block has a buffer among a ring of
// them; a thread waits for its buffer to be written before filling it again. Every thread is
// joined before this returns, error or not.
class ExportParallele {
public:
    ExportParallele(const Fiche* table, std::size_t total, std::size_t threads)
        : table_(table), total_(total), blocs_((total + kParBloc - 1) / kParBloc), tampons_(2 * threads + 2) {
        for (std::size_t k = 0; k < tampons_.size(); ++k) {
            tampons_[k].donnees.reset(new char[kParBloc * kLigneMax]);
            tampons_[k].permis = k;
        }
        try {
            for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { convertir(); });
        } catch (...) {
            arreter();
            throw;
        }
    }
    ~ExportParallele() { arreter(); }

    int ecrire(int fd, const AppelsSysteme& appels) {
        off_t ecrits = static_cast<off_t>(kDebut.size());
        off_t signales = 0;
        for (std::size_t b = 0; b < blocs_; ++b) {
            Tampon& t = tampons_[b % tampons_.size()];
            std::unique_lock<std::mutex> verrou(mutex_);
            changement_.wait(verrou, [&] { return t.pret == b + 1; });
            verrou.unlock();
            if (int e = ecrireTout(fd, t.donnees.get(), t.taille, appels)) return e;
            ecrits += static_cast<off_t>(t.taille);
            // The bytes written so far go to the disk now rather than all at the final flush,
            // which then waits for the last of them only. The advice is only that: its
            // failure changes nothing.
            if (ecrits - signales >= kSignalerTous) {
                posix_fadvise(fd, signales, ecrits - signales, POSIX_FADV_DONTNEED);
                signales = ecrits;
            }
            verrou.lock();
            t.permis = b + tampons_.size();
            verrou.unlock();
            changement_.notify_all();
        }
        return 0;
    }

private:
    struct Tampon {
        std::unique_ptr<char[]> donnees;
        std::size_t taille = 0;
        std::size_t permis = 0;  // the block it may take next
        std::size_t pret = 0;    // the block it holds, plus one, once converted
    };

    void convertir() {
        for (;;) {
            const std::size_t b = suivant_.fetch_add(1);
            if (b >= blocs_) return;
            Tampon& t = tampons_[b % tampons_.size()];
            {
                std::unique_lock<std::mutex> verrou(mutex_);
                changement_.wait(verrou, [&] { return arret_ || t.permis == b; });
                if (arret_) return;
            }
            char* o = t.donnees.get();
            const std::size_t fin = std::min(total_, (b + 1) * kParBloc);
            for (std::size_t i = b * kParBloc; i < fin; ++i) o = ecrireLigne(o, table_[i]);
            {
                const std::lock_guard<std::mutex> verrou(mutex_);
                t.taille = static_cast<std::size_t>(o - t.donnees.get());
                t.pret = b + 1;
            }
            changement_.notify_all();
        }
    }

    void arreter() {
        {
            const std::lock_guard<std::mutex> verrou(mutex_);
            arret_ = true;
        }
        changement_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    const Fiche* table_;
    std::size_t total_;
    std::size_t blocs_;
    std::vector<Tampon> tampons_;
    std::vector<std::thread> threads_;
    std::atomic<std::size_t> suivant_{0};
    std::mutex mutex_;
    std::condition_variable changement_;
    bool arret_ = false;
};

}  // namespace

std::string_view debutCsv() { return kDebut; }

std::string tableauCsv(const Fiche* table, int32_t dernier) {
    std::string s(kDebut);
    for (int32_t i = 0; i <= dernier; ++i) {
        const std::size_t avant = s.size();
        s.resize(avant + kLigneMax);
        s.resize(static_cast<std::size_t>(ecrireLigne(s.data() + avant, table[i]) - s.data()));
    }
    return s;
}

ResultatEcriture ecrireTableauCsv(const std::string& chemin, const Fiche* table, int32_t dernier,
                                  const AppelsSysteme& appels) {
    return ecrireFichierSur(
        chemin,
        [&](int fd, const AppelsSysteme& a) {
            if (int e = ecrireTout(fd, kDebut.data(), kDebut.size(), a)) return e;
            const std::size_t total = static_cast<std::size_t>(dernier + 1);
            const std::size_t coeurs = std::max(1u, std::thread::hardware_concurrency());
            std::unique_ptr<ExportParallele> parallele;
            try {
                if (total > kParBloc && coeurs > 1) {
                    parallele = std::make_unique<ExportParallele>(table, total, std::min<std::size_t>(coeurs, 8));
                }
            } catch (const std::bad_alloc&) {
                return ENOMEM;
            } catch (const std::system_error&) {
                // No thread could be started: the cards are converted here, more slowly.
            }
            if (parallele) return parallele->ecrire(fd, a);
            std::unique_ptr<char[]> tampon(new (std::nothrow) char[kParBloc * kLigneMax]);
            if (!tampon) return ENOMEM;
            for (std::size_t debut = 0; debut < total; debut += kParBloc) {
                char* o = tampon.get();
                for (std::size_t i = debut; i < std::min(total, debut + kParBloc); ++i) o = ecrireLigne(o, table[i]);
                if (int e = ecrireTout(fd, tampon.get(), static_cast<std::size_t>(o - tampon.get()), a)) return e;
            }
            return 0;
        },
        appels);
}
