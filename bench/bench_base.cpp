// Base file benchmark: loading, saving and numeroLibre on generated bases of 10,000, 100,000
// and 1,000,000 cards, each measured beside what the machine does at best with the same
// bytes in the same run (cat of the file, a minimal crash-safe writer), plus the peak memory
// of a process that loads the base. A save that keeps the version it replaces (and drops the
// oldest) is measured beside the same save keeping none.
//
//   bench_base [largest_size [folder]]
//
// Sizes above largest_size are skipped (largest_size itself is run if it is not one of the
// three). Files go to a fresh folder under /tmp unless one is given; they are removed at the
// end. Each size runs in its own child process so that its peak memory is its own.
//
// Exit status: 0 all goals met, 1 a goal missed, 2 a result was wrong or a step failed.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/generateur.h"
#include "core/magasin_fiches.h"
#include "core/messages_erreur.h"
#include "core/ouverture_base.h"
#include "core/sauvegardes.h"
#include "core/services.h"

namespace {

const uint64_t kGraine = 0xB5E7A2D0C1F4ull;

double maintenant() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] void echec(const std::string& quoi) {
    throw std::runtime_error(quoi + (errno != 0 ? std::string(": ") + std::strerror(errno) : ""));
}

// `cat FILE > /dev/null`, the process started and waited for as a shell would.
double tempsCat(const std::string& chemin) {
    const double t0 = maintenant();
    pid_t pid = fork();
    if (pid < 0) echec("fork");
    if (pid == 0) {
        int nul = open("/dev/null", O_WRONLY);
        if (nul < 0 || dup2(nul, 1) < 0) _exit(126);
        execlp("cat", "cat", chemin.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int statut = 0;
    if (waitpid(pid, &statut, 0) != pid) echec("waitpid");
    const double t1 = maintenant();
    if (!WIFEXITED(statut) || WEXITSTATUS(statut) != 0) {
        errno = 0;
        echec("cat " + chemin + " failed");
    }
    return t1 - t0;
}

// The least a crash-safe replacement of a file can do: temporary file, write, fsync,
// rename over the target, fsync of the folder so the rename itself is durable.
void ecrivainMinimal(const std::string& chemin, const void* donnees, std::size_t taille) {
    const std::string temporaire = chemin + ".tmp";
    int fd = open(temporaire.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) echec("open " + temporaire);
    const char* p = static_cast<const char*>(donnees);
    while (taille > 0) {
        ssize_t n = write(fd, p, std::min<std::size_t>(taille, std::size_t(1) << 30));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) echec("write " + temporaire);
        p += n;
        taille -= static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) echec("fsync " + temporaire);
    if (close(fd) != 0) echec("close " + temporaire);
    if (rename(temporaire.c_str(), chemin.c_str()) != 0) echec("rename " + temporaire);
    const std::string dossier = chemin.substr(0, chemin.rfind('/'));
    int dfd = open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0 || fsync(dfd) != 0) echec("fsync " + dossier);
    close(dfd);
}

// What any program pays to hold the bytes in memory of its own: fresh anonymous pages asked
// for huge, as the card table asks for them, each touched once so the kernel provides it.
// On a virtual machine that hands freed memory back to its host, this is where that shows.
double tempsMemoireNeuve(std::size_t octets) {
    const double t0 = maintenant();
    void* p = mmap(nullptr, octets, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) echec("mmap");
    madvise(p, octets, MADV_HUGEPAGE);
    volatile char* c = static_cast<char*>(p);
    for (std::size_t i = 0; i < octets; i += 4096) c[i] = 1;
    const double t1 = maintenant();
    munmap(p, octets);
    return t1 - t0;
}

// So that background write-back of the freshly generated input does not overlap timings.
void synchroniserFichier(const std::string& chemin) {
    int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) echec("fsync " + chemin);
    close(fd);
}

long picMemoireKo() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;  // kilobytes on Linux
}

// The numbering rule as first stated: rescan from the start after each collision. Used to
// check the fast one on the bench's own data.
int32_t numeroLibreReference(const MagasinFiches& s, int32_t depart, int32_t sauf) {
    uint32_t n = static_cast<uint32_t>(depart);
    for (;;) {
        bool pris = false;
        for (int32_t i = 0; i <= s.derniere; ++i) {
            if (i != sauf && s.fiches[static_cast<std::size_t>(i)].numero == static_cast<int32_t>(n)) {
                pris = true;
                break;
            }
        }
        if (!pris) return static_cast<int32_t>(n);
        ++n;
    }
}

double mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}
double minimum(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// What a child sends back to the parent through a pipe (plain data of fixed size).
struct Resultats {
    std::size_t cartes = 0;
    double octets = 0;
    double neuveMed = 0, neuveMin = 0;
    double catMed = 0, catMin = 0, chargeMed = 0, chargeMin = 0;
    double sauveMed = 0, sauveMin = 0, minimalMed = 0, minimalMin = 0;
    double sansVersionsMed = 0, sansVersionsMin = 0;
    std::size_t versions = 0;
    double libre0Med = 0, libreMilieuMed = 0;
    double ajoutMed = 0, ajoutMin = 0;
    int32_t libre0 = 0, libreMilieu = 0, departMilieu = 0;
    long picKo = 0, departKo = 0;
    int repetitions = 0;
    bool correct = false;
    char erreur[512] = {};
};

Resultats mesurer(const std::string& dossier, std::size_t n) {
    Resultats r;
    r.cartes = n;
    r.departKo = picMemoireKo();
    const std::string source = dossier + "/base_" + std::to_string(n) + ".dat";
    const std::string sortie = dossier + "/sauvee_" + std::to_string(n) + ".dat";
    const std::string minimale = dossier + "/minimale_" + std::to_string(n) + ".dat";
    const uint64_t attendue = generateur::ecrireBaseGeneree(source, n, kGraine);
    synchroniserFichier(source);
    r.octets = static_cast<double>(n) * sizeof(Fiche);
    r.repetitions = n >= 1000000 ? 4 : 7;
    // The bench answers no question; any message means something went wrong, so it is shown.
    MessagesSurErreur messages("bench_base");

    // Warm-up: the file into the page cache for both readers; the faults of a first
    // allocation of this size out of the way.
    tempsCat(source);
    {
        MagasinFiches s(messages);
        s.chargerBase(source);
    }

    // Alternating cat and load, so that drift in the machine's load touches both alike.
    std::vector<double> cat, neuve, charge;
    std::unique_ptr<MagasinFiches> store;
    for (int k = 0; k < r.repetitions; ++k) {
        cat.push_back(tempsCat(source));
        store.reset();  // the previous table goes first: one table's memory at a time
        neuve.push_back(tempsMemoireNeuve(static_cast<std::size_t>(r.octets)));
        store = std::make_unique<MagasinFiches>(messages);
        const double t0 = maintenant();
        const int ok = store->chargerBase(source);
        const double t1 = maintenant();
        if (ok != 1) throw std::runtime_error("chargerBase failed");
        charge.push_back(t1 - t0);
        if (k == 0) r.picKo = picMemoireKo();
    }
    if (store->derniere != static_cast<int32_t>(n) - 1) throw std::runtime_error("wrong card count");
    if (generateur::empreinteTable(store->fiches, n) != attendue) {
        throw std::runtime_error("loaded cards differ from the file");
    }

    const Fiche* donnees = store->fiches.bloc(0, n);
    const std::size_t octets = n * sizeof(Fiche);
    // Warm-up writes, so that every timed write replaces an existing file of the same size.
    if (store->ecrireBase(sortie) != 1) throw std::runtime_error("ecrireBase failed");
    ecrivainMinimal(minimale, donnees, octets);
    std::vector<double> sauve, minimal, sansVersions;
    // The order alternates: the write-back of the previous save, or of the file its rename
    // replaced, must not always fall on the same writer.
    auto chronometrerMinimal = [&] {
        const double t0 = maintenant();
        ecrivainMinimal(minimale, donnees, octets);
        minimal.push_back(maintenant() - t0);
    };
    auto chronometrerSauve = [&] {
        const double t0 = maintenant();
        const int ok = store->ecrireBase(sortie);
        const double t1 = maintenant();
        if (ok != 1) throw std::runtime_error("ecrireBase failed");
        sauve.push_back(t1 - t0);
    };
    // The same save keeping no version: the save as it was before versions were kept.
    auto chronometrerSansVersions = [&] {
        const int garder = store->sauvegardes;
        store->sauvegardes = 0;
        const double t0 = maintenant();
        const int ok = store->ecrireBase(sortie);
        const double t1 = maintenant();
        store->sauvegardes = garder;
        if (ok != 1) throw std::runtime_error("ecrireBase failed");
        sansVersions.push_back(t1 - t0);
    };
    // The versions a user who saves often has: each timed save then also drops the oldest
    // one, a file of its own on the disk, as it does after the first few saves.
    for (int k = 0; k < store->sauvegardes; ++k) {
        if (store->ecrireBase(sortie) != 1) throw std::runtime_error("ecrireBase failed");
    }
    for (int k = 0; k < r.repetitions; ++k) {
        if (k % 2 == 0) {
            chronometrerMinimal();
            chronometrerSauve();
            chronometrerSansVersions();
        } else {
            chronometrerSansVersions();
            chronometrerSauve();
            chronometrerMinimal();
        }
    }
    // Enough saves ran for the pruning to have worked in the timed ones.
    r.versions = sauvegardesDe(sortie).size();
    if (r.versions != static_cast<std::size_t>(store->sauvegardes)) {
        throw std::runtime_error("wrong number of versions kept");
    }
    if (generateur::empreinteFichier(sortie) != attendue) {
        throw std::runtime_error("saved file differs from the source");
    }
    if (generateur::empreinteFichier(minimale) != attendue) {
        throw std::runtime_error("minimal writer's file differs from the source");
    }
    if (messages.nombre() != 0) throw std::runtime_error("a message was shown");

    // numeroLibre from 0 (what the add command proposes) and from the middle of the numbers
    // in use, where a long run of taken numbers follows.
    r.departMilieu = static_cast<int32_t>(n / 2);
    std::vector<double> l0, lm;
    for (int k = 0; k < 9; ++k) {
        double t0 = maintenant();
        r.libre0 = store->numeroLibre(0, -1);
        double t1 = maintenant();
        l0.push_back(t1 - t0);
        t0 = maintenant();
        r.libreMilieu = store->numeroLibre(r.departMilieu, -1);
        t1 = maintenant();
        lm.push_back(t1 - t0);
    }
    if (r.libre0 != numeroLibreReference(*store, 0, -1) ||
        r.libreMilieu != numeroLibreReference(*store, r.departMilieu, -1)) {
        throw std::runtime_error("numeroLibre disagrees with the rescanning rule");
    }
    // One with a card left out: the card carrying the middle start, whose number then
    // becomes free unless another card repeats it.
    int32_t sauf = -1;
    for (std::size_t i = 0; i < n && sauf < 0; ++i) {
        if (store->fiches[i].numero == r.departMilieu) sauf = static_cast<int32_t>(i);
    }
    if (store->numeroLibre(r.departMilieu, sauf) != numeroLibreReference(*store, r.departMilieu, sauf)) {
        throw std::runtime_error("numeroLibre with a card left out disagrees with the rule");
    }

    // Appending the whole file to a new base (one blank card) reads the same bytes as a load.
    store.reset();
    std::vector<double> ajout;
    for (int k = 0; k < r.repetitions; ++k) {
        store = std::make_unique<MagasinFiches>(messages);
        const double t0 = maintenant();
        const bool ok = store->ajouterBase(source);
        const double t1 = maintenant();
        if (!ok || store->derniere != static_cast<int32_t>(n)) throw std::runtime_error("ajouterBase failed");
        ajout.push_back(t1 - t0);
        store.reset();
    }
    r.ajoutMed = mediane(ajout);
    r.ajoutMin = minimum(ajout);

    r.catMed = mediane(cat);
    r.catMin = minimum(cat);
    r.neuveMed = mediane(neuve);
    r.neuveMin = minimum(neuve);
    r.chargeMed = mediane(charge);
    r.chargeMin = minimum(charge);
    r.sauveMed = mediane(sauve);
    r.sauveMin = minimum(sauve);
    r.minimalMed = mediane(minimal);
    r.minimalMin = minimum(minimal);
    r.sansVersionsMed = mediane(sansVersions);
    r.sansVersionsMin = minimum(sansVersions);
    r.libre0Med = mediane(l0);
    r.libreMilieuMed = mediane(lm);
    r.correct = true;

    store.reset();
    unlink(source.c_str());
    elaguerSauvegardes(sortie, 0);
    rmdir(dossierSauvegardes(sortie).c_str());
    unlink(sortie.c_str());
    unlink(minimale.c_str());
    return r;
}

bool lireTout(int fd, void* dest, std::size_t taille) {
    char* p = static_cast<char*>(dest);
    while (taille > 0) {
        ssize_t n = read(fd, p, taille);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        taille -= static_cast<std::size_t>(n);
    }
    return true;
}

Resultats mesurerDansUnFils(const std::string& dossier, std::size_t n) {
    int tube[2];
    if (pipe(tube) != 0) echec("pipe");
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) echec("fork");
    if (pid == 0) {
        close(tube[0]);
        Resultats r;
        try {
            r = mesurer(dossier, n);
        } catch (const std::exception& e) {
            r.cartes = n;
            r.correct = false;
            std::snprintf(r.erreur, sizeof r.erreur, "%s", e.what());
        }
        const bool ecrit = write(tube[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
        _exit(ecrit ? 0 : 3);
    }
    close(tube[1]);
    Resultats r;
    const bool lu = lireTout(tube[0], &r, sizeof r);
    close(tube[0]);
    int statut = 0;
    waitpid(pid, &statut, 0);
    if (!lu) {
        r = Resultats{};
        r.cartes = n;
        std::snprintf(r.erreur, sizeof r.erreur, "the measuring process died (status %d)", statut);
    }
    return r;
}

const char* verdict(bool atteint) { return atteint ? "atteint" : "NON ATTEINT"; }

}  // namespace

// The peak resident memory of this process since the last reset, in bytes; reset brings it
// down to what is resident now, so that one step's peak can be taken alone.
double picDepuisRemise() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) echec("/proc/self/status");
    char ligne[256];
    long ko = -1;
    while (std::fgets(ligne, sizeof ligne, f)) {
        if (std::sscanf(ligne, "VmHWM: %ld kB", &ko) == 1) break;
    }
    std::fclose(f);
    return static_cast<double>(ko) * 1024;
}
void remettrePic() {
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f == nullptr || std::fputs("5", f) < 0 || std::fclose(f) != 0) echec("/proc/self/clear_refs");
}

// Opening a base from the menu and "Sauver base sous", as the window runs them (the base read,
// then read again by chargerAutoload; the base written, then read back and read again), in a
// child of its own: the peak memory of each against the file's size.
int mesurerPicsOuverture(const std::string& dossier, std::size_t n) {
    int tube[2];
    if (pipe(tube) != 0) return 2;
    const pid_t pid = fork();
    if (pid == 0) {
        close(tube[0]);
        double pics[2] = {-1, -1};
        try {
            const std::string source = dossier + "/ouverte_" + std::to_string(n) + ".dat";
            const std::string sous = dossier + "/sous_" + std::to_string(n) + ".dat";
            generateur::ecrireBaseGeneree(source, n, kGraine);
            MessagesSurErreur messages("bench_base");
            MagasinFiches store(messages);
            store.sauvegardes = 0;
            remettrePic();
            if (store.chargerBase(source) != 1) echec("chargerBase");
            store.cheminBase.affecter(source);
            if (!rouvrirBase(store)) echec("rouvrirBase");
            pics[0] = picDepuisRemise();
            remettrePic();
            if (store.ecrireBase(sous) != 1) echec("ecrireBase");
            store.cheminBase.affecter(sous);
            if (store.chargerBase(sous) != 1 || !rouvrirBase(store)) echec("relecture");
            pics[1] = picDepuisRemise();
            unlink(source.c_str());
            unlink(sous.c_str());
            rmdir((dossier + "/ouverte_" + std::to_string(n) + ".rep").c_str());
            rmdir((dossier + "/sous_" + std::to_string(n) + ".rep").c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        _exit(write(tube[1], pics, sizeof pics) == sizeof pics ? 0 : 2);
    }
    close(tube[1]);
    double pics[2] = {-1, -1};
    const bool lu = read(tube[0], pics, sizeof pics) == sizeof pics;
    close(tube[0]);
    int statut = 0;
    waitpid(pid, &statut, 0);
    if (!lu || pics[0] < 0 || pics[1] < 0) {
        std::printf("  ÉCHEC : mesure de la mémoire à l'ouverture\n");
        return 2;
    }
    const double octets = static_cast<double>(n) * sizeof(Fiche);
    std::printf("== ouverture par le menu et « Sauver base sous », %zu fiches ==\n", n);
    std::printf("  ouverture (lecture puis chargerAutoload) : pic %.1f Mo = %.2f x le fichier ; but <= 1.1 : %s\n",
                pics[0] / 1e6, pics[0] / octets, verdict(pics[0] <= 1.1 * octets));
    std::printf("  Sauver base sous (écriture, relecture)   : pic %.1f Mo = %.2f x le fichier ; but <= 1.1 : %s\n\n",
                pics[1] / 1e6, pics[1] / octets, verdict(pics[1] <= 1.1 * octets));
    return pics[0] <= 1.1 * octets && pics[1] <= 1.1 * octets ? 0 : 1;
}

int main(int argc, char** argv) {
    std::size_t max = 1000000;
    if (argc > 1) {
        char* fin = nullptr;
        max = std::strtoull(argv[1], &fin, 10);
        if (fin == argv[1] || *fin != '\0' || max == 0) {
            std::fprintf(stderr, "usage: %s [largest_size [folder]]\n", argv[0]);
            return 2;
        }
    }
    std::vector<std::size_t> tailles;
    for (std::size_t t : {std::size_t(10000), std::size_t(100000), std::size_t(1000000)}) {
        if (t <= max) tailles.push_back(t);
    }
    if (tailles.empty() || tailles.back() != max) tailles.push_back(max);

    std::string dossier;
    bool dossierAMoi = false;
    if (argc > 2) {
        dossier = argv[2];
    } else {
        char modele[] = "/tmp/brevandoux-bench-XXXXXX";
        if (mkdtemp(modele) == nullptr) {
            std::perror("mkdtemp");
            return 2;
        }
        dossier = modele;
        dossierAMoi = true;
    }

    std::printf("Fichiers dans %s ; médiane (meilleur) de chaque mesure, en ms.\n\n", dossier.c_str());
    int code = 0;
    for (std::size_t n : tailles) {
        const Resultats r = mesurerDansUnFils(dossier, n);
        std::printf("== %zu fiches (%.1f Mo) ==\n", n, static_cast<double>(n) * sizeof(Fiche) / 1e6);
        if (!r.correct) {
            std::printf("  ÉCHEC : %s\n\n", r.erreur);
            code = 2;
            continue;
        }
        const double ms = 1e3;
        const double ratioCharge = r.chargeMed / r.catMed;
        const double ratioSauve = r.sauveMed / r.minimalMed;
        const double pireLibre = std::max(r.libre0Med, r.libreMilieuMed);
        const double picOctets = static_cast<double>(r.picKo) * 1024;
        const double limiteMemoire = 1.1 * r.octets + 50.0 * 1024 * 1024;
        const bool okCharge = ratioCharge <= 2.0;
        const bool okSauve = ratioSauve <= 1.3;
        const bool okLibre = pireLibre < 0.020;
        const bool okMemoire = picOctets < limiteMemoire;
        std::printf("  cat > /dev/null       %9.2f (%9.2f)   [%d fois]\n", r.catMed * ms, r.catMin * ms, r.repetitions);
        std::printf("  chargerBase           %9.2f (%9.2f)   ratio %.2f x cat (meilleurs : %.2f) ; but <= 2 : %s\n",
                    r.chargeMed * ms, r.chargeMin * ms, ratioCharge, r.chargeMin / r.catMin, verdict(okCharge));
        std::printf("  mémoire neuve         %9.2f (%9.2f)   (mmap + 1 octet par page : le coût des pages seules)\n",
                    r.neuveMed * ms, r.neuveMin * ms);
        const double ratioAjout = r.ajoutMed / r.chargeMed;
        const bool okAjout = ratioAjout <= 1.0;
        std::printf("  ajouterBase           %9.2f (%9.2f)   ratio %.2f x chargerBase ; but <= 1 : %s\n",
                    r.ajoutMed * ms, r.ajoutMin * ms, ratioAjout, verdict(okAjout));
        std::printf("  écrivain minimal      %9.2f (%9.2f)\n", r.minimalMed * ms, r.minimalMin * ms);
        std::printf("  ecrireBase            %9.2f (%9.2f)   ratio %.2f x minimal (meilleurs : %.2f) ; but <= 1.3 : %s\n",
                    r.sauveMed * ms, r.sauveMin * ms, ratioSauve, r.sauveMin / r.minimalMin, verdict(okSauve));
        const double ratioVersions = r.sauveMed / r.sansVersionsMed;
        const bool okVersions = ratioVersions <= 1.05;
        std::printf("  ecrireBase sans versions %6.2f (%9.2f)   avec %zu versions gardées : ratio %.2f (meilleurs : %.2f) ; but <= 1.05 : %s\n",
                    r.sansVersionsMed * ms, r.sansVersionsMin * ms, r.versions, ratioVersions,
                    r.sauveMin / r.sansVersionsMin, verdict(okVersions));
        if (!okVersions && code == 0) code = 1;
        std::printf("  numeroLibre(0,-1)     %9.3f               -> %d\n", r.libre0Med * ms, r.libre0);
        const std::string etiquette = "numeroLibre(" + std::to_string(r.departMilieu) + ",-1)";
        std::printf("  %-21s %9.3f               -> %d ; but < 20 ms : %s\n", etiquette.c_str(),
                    r.libreMilieuMed * ms, r.libreMilieu, verdict(okLibre));
        std::printf("  mémoire de pointe     %9.1f Mo (processus au départ : %.1f Mo) ; limite 1.1 x fichier + 50 Mo = %.1f Mo : %s\n\n",
                    picOctets / 1e6, static_cast<double>(r.departKo) * 1024 / 1e6, limiteMemoire / 1e6, verdict(okMemoire));
        if (!(okCharge && okAjout && okSauve && okLibre && okMemoire) && code == 0) code = 1;
    }
    const int ouverture = mesurerPicsOuverture(dossier, max);
    if (ouverture > code) code = ouverture;
    if (dossierAMoi) rmdir(dossier.c_str());
    std::printf("%s\n", code == 0 ? "Tous les buts sont atteints."
                        : code == 1 ? "Au moins un but n'est pas atteint."
                                    : "Au moins une mesure a échoué.");
    return code;
}
