// Hostile base files (empty, a single byte, sparse files beyond 2 GB and beyond a 32-bit count
// of cards) and a disk that runs out of room while a base or the INI file is written.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>

#include "core/magasin_fiches.h"
#include "core/configuration.h"
#include "core/ini.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/disque_plein.h"
#include "tests/support/ignorer.h"

namespace {

Fiche carte(int32_t numero, const char* titre) {
    Fiche f{};
    f.numero = numero;
    ecrireChamp(f.titre, titre);
    ecrireChamp(f.description, std::string("description de ") + titre);
    return f;
}

std::string octetsDe(const Fiche& f) { return std::string(reinterpret_cast<const char*>(&f), sizeof f); }

// A file of the given size whose bytes are all holes, but for the bytes written at the end.
bool fichierCreux(const std::string& chemin, off_t taille, const std::string& fin = "") {
    const int fd = open(chemin.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, taille) == 0;
    if (ok && !fin.empty()) {
        ok = pwrite(fd, fin.data(), fin.size(), taille - static_cast<off_t>(fin.size())) ==
             static_cast<ssize_t>(fin.size());
    }
    return close(fd) == 0 && ok;
}

long long memoireDisponible() {
    std::ifstream f("/proc/meminfo");
    std::string cle;
    long long ko = 0;
    std::string unite;
    while (f >> cle >> ko >> unite) {
        if (cle == "MemAvailable:") return ko * 1024;
    }
    return 0;
}

class EntreesHostiles : public ::testing::Test {
protected:
    DossierTemporaire dossier;
    MessagesEnregistres messages;
    MagasinFiches store{messages};

    // An open base of two cards, to show that a refused file leaves it as it was.
    void ouvrirDeuxCartes() {
        store.fiches.redimensionner(2);
        store.fiches[0] = carte(5, "cinq");
        store.fiches[1] = carte(6, "six");
        store.derniere = 1;
        store.courante = 1;
    }
    void verifierDeuxCartes() {
        ASSERT_EQ(store.derniere, 1);
        EXPECT_EQ(store.courante, 1);
        EXPECT_EQ(octetsDe(store.fiches[0]), octetsDe(carte(5, "cinq")));
        EXPECT_EQ(octetsDe(store.fiches[1]), octetsDe(carte(6, "six")));
    }
};

TEST_F(EntreesHostiles, hostileBase_emptyAndShorterThanOneCard_loadAsABaseWithoutCards) {
    for (const std::size_t taille : {std::size_t(0), std::size_t(1), std::size_t(1027)}) {
        SCOPED_TRACE(taille);
        ouvrirDeuxCartes();
        const std::string chemin = dossier / "court.dat";
        ecrireOctets(chemin, std::string(taille, '\xFF'));
        ASSERT_EQ(store.chargerBase(chemin), 1);
        EXPECT_EQ(store.derniere, -1);
        EXPECT_EQ(store.courante, 0);
        EXPECT_EQ(store.nombreFiches(), 0);
        // The one slot shown while the base holds no card is blank, not the file's bytes.
        ASSERT_GE(store.fiches.places(), 1u);
        EXPECT_EQ(octetsDe(store.fiches[0]), std::string(sizeof(Fiche), '\0'));
        EXPECT_TRUE(messages.messages.empty());

        // Appending it adds nothing; the partial card is not taken for one.
        ouvrirDeuxCartes();
        ASSERT_TRUE(store.ajouterBase(chemin));
        ASSERT_NO_FATAL_FAILURE(verifierDeuxCartes());
    }
}

TEST_F(EntreesHostiles, hostileBase_fieldsWithoutZeroAndControlBytes_saveBackByteForByte) {
    // Every byte value but zero, in every field, numbers at their extremes.
    std::string octets;
    for (int i = 0; i < 3; ++i) {
        std::string r(sizeof(Fiche), '\0');
        for (std::size_t k = 0; k < r.size(); ++k) r[k] = static_cast<char>(1 + (k * 7 + i) % 255);
        const int32_t numero = i == 0 ? INT32_MIN : (i == 1 ? INT32_MAX : -1);
        std::memcpy(r.data(), &numero, sizeof numero);
        octets += r;
    }
    const std::string chemin = dossier / "hostile.dat";
    ecrireOctets(chemin, octets);
    ASSERT_EQ(store.chargerBase(chemin), 1);
    ASSERT_EQ(store.derniere, 2);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(texteChamp(store.fiches[i].titre).size(), 256u);
        EXPECT_EQ(texteChamp(store.fiches[i].description).size(), 512u);
        EXPECT_EQ(texteChamp(store.fiches[i].image).size(), 256u);
    }
    EXPECT_EQ(store.fiches[0].numero, INT32_MIN);
    const std::string copie = dossier / "copie.dat";
    ASSERT_EQ(store.ecrireBase(copie), 1);
    EXPECT_EQ(lireOctets(copie), octets);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(EntreesHostiles, hostileBase_sparseFileOfTwoGigabytesAndOneCard_loadsEveryCardWithoutOverflow) {
    // More bytes than a signed 32-bit count holds, then one card that must come out whole.
    constexpr off_t kZeros = ((off_t(1) << 31) + sizeof(Fiche) - 1) / sizeof(Fiche);
    const off_t taille = (kZeros + 1) * static_cast<off_t>(sizeof(Fiche));
    ASSERT_GT(taille, off_t(INT32_MAX));
    if (memoireDisponible() < 4LL << 30) IGNORER("moins de 4 Go de mémoire libre");
    const Fiche derniere = carte(777, "la toute dernière");
    const std::string chemin = dossier / "creux.dat";
    ASSERT_TRUE(fichierCreux(chemin, taille, octetsDe(derniere)));

    ASSERT_EQ(store.chargerBase(chemin), 1);
    EXPECT_TRUE(messages.messages.empty());
    ASSERT_EQ(store.derniere, static_cast<int32_t>(kZeros));
    EXPECT_EQ(store.nombreFiches(), static_cast<int32_t>(kZeros + 1));
    EXPECT_EQ(store.courante, 0);
    EXPECT_EQ(octetsDe(store.fiches[static_cast<std::size_t>(kZeros)]), octetsDe(derniere));
    EXPECT_EQ(octetsDe(store.fiches[0]), std::string(sizeof(Fiche), '\0'));
    EXPECT_EQ(octetsDe(store.fiches[static_cast<std::size_t>(kZeros) - 1]), std::string(sizeof(Fiche), '\0'));
    // Dropping it at once keeps the other tests of the run clear of its 2 GB.
    store.fiches = TableFiches(1);
    store.derniere = -1;
}

TEST_F(EntreesHostiles, hostileBase_sparseFileOfMoreCardsThanASignedCount_isRefusedWithAMessage) {
    struct statvfs fs;
    ASSERT_EQ(statvfs(dossier.str().c_str(), &fs), 0);
    // INT32_MAX cards: one more than the highest index a 32-bit derniere can hold plus one.
    const off_t taille = off_t(INT32_MAX) * static_cast<off_t>(sizeof(Fiche));
    const std::string chemin = dossier / "immense.dat";
    if (!fichierCreux(chemin, taille)) IGNORER("le système de fichiers refuse un fichier creux de 2,2 To");

    ouvrirDeuxCartes();
    EXPECT_EQ(store.chargerBase(chemin), 0);
    ASSERT_NO_FATAL_FAILURE(verifierDeuxCartes());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "le fichier " + chemin +
                                        " contient trop de fiches pour être ouvert (plus de 2 147 483 646).");

    messages.messages.clear();
    EXPECT_FALSE(store.ajouterBase(chemin));
    ASSERT_NO_FATAL_FAILURE(verifierDeuxCartes());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "le fichier " + chemin + " ajouterait trop de fiches à la base.");

    // A base of two cards plus INT32_MAX - 2 more would need a card index past INT32_MAX - 1.
    const std::string juste = dossier / "juste.dat";
    ASSERT_TRUE(fichierCreux(juste, off_t(INT32_MAX - 2) * static_cast<off_t>(sizeof(Fiche))));
    messages.messages.clear();
    EXPECT_FALSE(store.ajouterBase(juste));
    ASSERT_NO_FATAL_FAILURE(verifierDeuxCartes());
    EXPECT_EQ(messages.messages, std::vector<std::string>{"le fichier " + juste + " ajouterait trop de fiches à la base."});

    // The sibling format counts 772-byte cards.
    const std::string ancien = dossier / "immense.cal";
    ASSERT_TRUE(fichierCreux(ancien, off_t(INT32_MAX) * 772));
    messages.messages.clear();
    store.importerBase(ancien);
    ASSERT_NO_FATAL_FAILURE(verifierDeuxCartes());
    EXPECT_EQ(messages.messages, std::vector<std::string>{"le fichier " + ancien + " contient trop de fiches pour être importé."});
}

TEST_F(EntreesHostiles, hostileBase_countThatFitsButMemoryThatDoesNot_isRefusedWithAMessage) {
    // The kernel's default policy refuses one mapping larger than the whole memory; with
    // overcommit always granted, the read would go on through 2 TB of holes.
    std::ifstream politique("/proc/sys/vm/overcommit_memory");
    int mode = -1;
    politique >> mode;
    if (mode == 1) IGNORER("la mémoire est accordée sans limite (overcommit_memory = 1)");
    const std::string chemin = dossier / "presque.dat";
    if (!fichierCreux(chemin, off_t(INT32_MAX - 1) * static_cast<off_t>(sizeof(Fiche)))) {
        IGNORER("le système de fichiers refuse un fichier creux de 2,2 To");
    }
    ouvrirDeuxCartes();
    EXPECT_EQ(store.chargerBase(chemin), 0);
    ASSERT_NO_FATAL_FAILURE(verifierDeuxCartes());
    EXPECT_EQ(messages.messages, std::vector<std::string>{"mémoire insuffisante pour ouvrir le fichier " + chemin});
}

class DisquePleinTest : public EntreesHostiles {
protected:
    void SetUp() override {
        if (!disque.monte()) IGNORER(disque.raison());
    }
    DisquePlein disque;
};

TEST_F(DisquePleinTest, fullDisk_baseThatDoesNotFit_frenchMessage_oldFileUntouched_noTemporaryLeft) {
    const std::string chemin = disque / "notes.dat";
    // The old base: 20 cards.
    store.fiches.redimensionner(20);
    for (int i = 0; i < 20; ++i) store.fiches[static_cast<std::size_t>(i)] = carte(i, "ancienne");
    store.derniere = 19;
    ASSERT_EQ(store.ecrireBase(chemin), 1);
    const std::string ancien = lireOctets(chemin);

    // The new base: 600 cards, 617 kB; the disk keeps no room at all, then 200 kB.
    store.fiches.redimensionner(600);
    for (int i = 0; i < 600; ++i) store.fiches[static_cast<std::size_t>(i)] = carte(i, "nouvelle");
    store.derniere = 599;
    for (const std::size_t reste : {std::size_t(0), std::size_t(200 * 1024)}) {
        SCOPED_TRACE(reste);
        messages.messages.clear();
        ASSERT_TRUE(disque.remplir(reste));
        EXPECT_EQ(store.ecrireBase(chemin), 0);
        EXPECT_EQ(messages.messages, std::vector<std::string>{
                                         "le fichier " + chemin +
                                         " n'a pas pu être sauvegardé.   \nle disque est plein"});
        EXPECT_EQ(lireOctets(chemin), ancien);
        EXPECT_EQ(disque.entrees(), (std::vector<std::string>{"notes.dat", "remplissage"}));
        disque.liberer();
    }
    // Room again: the same save goes through.
    messages.messages.clear();
    ASSERT_EQ(store.ecrireBase(chemin), 1);
    EXPECT_EQ(lireOctets(chemin).size(), 600 * sizeof(Fiche));
    EXPECT_TRUE(messages.messages.empty());
    // The version replaced is kept beside it.
    EXPECT_EQ(disque.entrees(), (std::vector<std::string>{"notes.dat", "notes.sauvegardes"}));
    const auto versions = sauvegardesDe(chemin);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(lireOctets(versions[0]), ancien);
}

TEST_F(DisquePleinTest, fullDisk_iniUpdate_throwsUnableToWrite_oldIniUntouched) {
    const std::string ini = disque / "brevandoux.ini";
    const std::string ancien = "; réglages\r\n[setup]\r\nautoload=/home/moi/ancienne.dat\r\n[autre]\r\nx=1\r\n";
    ecrireOctets(ini, ancien);
    ASSERT_TRUE(disque.remplir());

    try {
        ecrireCleIni(ini, "setup", "autoload", "/home/moi/" + std::string(300, 'n') + ".dat");
        ADD_FAILURE() << "l'écriture sur un disque plein n'a rien signalé";
    } catch (const Erreur& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
    }
    EXPECT_EQ(lireOctets(ini), ancien);
    EXPECT_EQ(disque.entrees(), (std::vector<std::string>{"brevandoux.ini", "remplissage"}));

    // The quit-time writer of the configuration says the same.
    store.cheminIni.affecter(ini);
    store.cheminBase.affecter("/home/moi/nouvelle.dat");
    try {
        ecrireConfig(store);
        ADD_FAILURE() << "l'écriture sur un disque plein n'a rien signalé";
    } catch (const Erreur& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
    }
    EXPECT_EQ(lireOctets(ini), ancien);
    EXPECT_EQ(disque.entrees(), (std::vector<std::string>{"brevandoux.ini", "remplissage"}));

    disque.liberer();
    ecrireConfig(store);
    EXPECT_EQ(lireCleIni(ini, "setup", "autoload", "?"), "/home/moi/nouvelle.dat");
    EXPECT_EQ(lireCleIni(ini, "autre", "x", "?"), "1");
}

}  // namespace
