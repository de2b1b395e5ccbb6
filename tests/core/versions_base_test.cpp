// Earlier versions and other copies of a base: listing, comparing against a reference, and
// recovering cards as one step that can be undone.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include "core/comparaison_bases.h"
#include "core/historique.h"
#include "core/magasin_fiches.h"
#include "core/recuperation.h"
#include "core/repertoire_images.h"
#include "core/versions_base.h"
#include "tests/support/dossier_temporaire.h"
#include "tests/support/messages_enregistres.h"
#include "tests/support/table_copiee.h"

namespace {

using Table = std::vector<Fiche>;

Fiche fiche(int32_t numero, const std::string& titre, const std::string& image = "") {
    Fiche f{};
    f.numero = numero;
    ecrireChamp(f.titre, titre);
    ecrireChamp(f.image, image);
    return f;
}

void poserTable(MagasinFiches& s, const Table& t) {
    s.fiches.redimensionner(std::max<std::size_t>(t.size(), 1));
    poserFiches(s.fiches, t.data(), t.size());
    s.derniere = static_cast<int32_t>(t.size()) - 1;
}

Table tableDe(const MagasinFiches& s) { return fichesDe(s.fiches, static_cast<std::size_t>(s.derniere + 1)); }

std::string octetsDe(const Table& t) {
    return std::string(reinterpret_cast<const char*>(t.data()), t.size() * sizeof(Fiche));
}

// Every entry of a folder tree with its bytes, mode and modification time.
std::map<std::string, std::tuple<std::string, mode_t, long>> etatDossier(const std::string& dossier) {
    std::map<std::string, std::tuple<std::string, mode_t, long>> etat;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dossier)) {
        struct stat st;
        lstat(e.path().c_str(), &st);
        etat[e.path()] = {e.is_regular_file() ? lireOctets(e.path()) : "", st.st_mode, st.st_mtim.tv_nsec + st.st_mtime};
    }
    return etat;
}

// --- Listing and reading -------------------------------------------------------------------

TEST(VersionsBase, realSaves_listedNewestFirst_withCountsAndReasons_folderUntouched) {
    DossierTemporaire d;
    MessagesEnregistres messages;
    MagasinFiches store(messages);
    const std::string base = d / "films.dat";
    Table t;
    for (int k = 1; k <= 4; ++k) {  // four saves keep three versions: of 1, 2 and 3 cards
        t.push_back(fiche(k, "film " + std::to_string(k)));
        poserTable(store, t);
        ASSERT_EQ(store.ecrireBase(base), 1);
    }
    const std::string dossier = dossierSauvegardes(base);
    // Damaged entries named as versions are: a truncated file, a folder, a dangling link.
    ecrireOctets(dossier + "/films-20000101-000000.dat", std::string(2 * sizeof(Fiche) + 5, 'x'));
    ASSERT_EQ(mkdir((dossier + "/films-20000101-000001.dat").c_str(), 0777), 0);
    ASSERT_EQ(symlink("/nulle/part", (dossier + "/films-20000101-000002.dat").c_str()), 0);
    const auto avant = etatDossier(dossier);

    const std::vector<VersionBase> v = versionsBase(base);
    ASSERT_EQ(v.size(), 6u);
    const std::size_t attendues[] = {3, 2, 1};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(v[k].lisible()) << v[k].chemin << " : " << v[k].raison;
        EXPECT_EQ(v[k].fiches, attendues[k]);
        EXPECT_GE(v[k].quand.tm_year, 120);  // saved just now, after 2020
    }
    EXPECT_EQ(v[3].quand.tm_sec, 2);
    EXPECT_EQ(v[3].raison, "le fichier n'existe pas");
    EXPECT_EQ(v[4].raison, "c'est un répertoire");
    EXPECT_EQ(v[5].raison, "le fichier est tronqué : sa taille n'est pas un nombre entier de fiches de 1028 octets");
    EXPECT_EQ(v[5].quand.tm_year, 100);
    EXPECT_EQ(v[5].quand.tm_mon, 0);

    // Reading, with and without progress, gives the cards as saved.
    BaseLue lue;
    EXPECT_EQ(lireBase(v[0].chemin, lue), "");
    EXPECT_EQ(octetsDe(fichesDe(lue.fiches, lue.nombre)), octetsDe(Table(t.begin(), t.end() - 1)));
    BaseLue lue2;
    int appels = 0;
    EXPECT_EQ(lireBase(v[1].chemin, lue2, [&](uint64_t, uint64_t) { return ++appels > 0; }), "");
    EXPECT_EQ(lue2.nombre, 2u);
    EXPECT_GE(appels, 1);
    EXPECT_EQ(lireBase(v[1].chemin, lue2, [](uint64_t, uint64_t) { return false; }), "lecture interrompue");
    EXPECT_NE(lireBase(v[5].chemin, lue2), "");
    EXPECT_EQ(etatDossier(dossier), avant);
}

TEST(VersionsBase, goingBackToAVersion_loadsItModified_andTheNextSaveKeepsTheReplacedTable) {
    DossierTemporaire d;
    MessagesEnregistres messages;
    MagasinFiches store(messages);
    const std::string base = d / "notes.dat";
    const Table ancienne{fiche(1, "ancienne")};
    const Table recente{fiche(1, "récente"), fiche(2, "ajoutée")};
    poserTable(store, ancienne);
    ASSERT_EQ(store.ecrireBase(base), 1);
    poserTable(store, recente);
    ASSERT_EQ(store.ecrireBase(base), 1);
    store.courante = 1;
    const std::vector<VersionBase> v = versionsBase(base);
    ASSERT_EQ(v.size(), 1u);
    BaseLue lue;
    ASSERT_EQ(lireBase(v[0].chemin, lue), "");
    Historique h;
    h.noter(supprimer(store), store);
    revenirA(store, std::move(lue));
    h.recommencer(store);
    EXPECT_EQ(octetsDe(tableDe(store)), octetsDe(ancienne));
    EXPECT_EQ(store.courante, 0);
    EXPECT_TRUE(h.modifie());
    EXPECT_EQ(h.aAnnuler(), nullptr);
    ASSERT_EQ(store.ecrireBase(base), 1);
    EXPECT_EQ(lireOctets(base), octetsDe(ancienne));
    const std::vector<VersionBase> apres = versionsBase(base);
    ASSERT_EQ(apres.size(), 2u);
    EXPECT_EQ(lireOctets(apres[0].chemin), octetsDe(recente));
}

// A card equal in both tables whose picture the version keeps in its own folder, with other
// bytes than the base's picture of that name: going back files it under a name of its own,
// and undoing brings the card back with the name it had.
TEST(VersionsBase, goingBack_sameCardsPictureFiledUnderANewName_undoBringsBackItsName) {
    DossierTemporaire d;
    MessagesEnregistres messages;
    MagasinFiches store(messages);
    const std::string base = d / "photos.dat";
    const std::string version = d / "photos-ancienne.dat";
    const Table table{fiche(1, "chat", "\\chat.jpg"), fiche(2, "chien")};
    poserTable(store, table);
    ASSERT_TRUE(lierRepertoireImages(store, base));
    ASSERT_EQ(creerRepertoire(store.repertoireImages.str()), Creation::kCree);
    ecrireOctets(store.repertoireImages.str() + "/chat.jpg", "nouveau");
    ASSERT_EQ(creerRepertoire(cheminRepertoireImages(version)), Creation::kCree);
    ecrireOctets(cheminRepertoireImages(version) + "/chat.jpg", "ancien");
    ecrireOctets(version, octetsDe(Table{table[0]}));

    BaseLue lue;
    ASSERT_EQ(lireBase(version, lue), "");
    Historique h;
    h.noter(revenirA(store, std::move(lue)), store);
    ASSERT_EQ(store.derniere, 0);
    const std::string nom = std::string(texteChamp(store.fiches[0].image));
    ASSERT_NE(nom, "\\chat.jpg");
    EXPECT_EQ(lireOctets(store.repertoireImages.str() + "/" + nom.substr(1)), "ancien");
    EXPECT_EQ(lireOctets(store.repertoireImages.str() + "/chat.jpg"), "nouveau");

    ASSERT_TRUE(h.annuler(store));
    EXPECT_EQ(octetsDe(tableDe(store)), octetsDe(table));
    ASSERT_TRUE(h.retablir(store));
    EXPECT_EQ(texteChamp(store.fiches[0].image), nom);
}

TEST(VersionsBase, readOnlyBase_isReadWithoutLosingItsReadOnlyMode) {
    DossierTemporaire d;
    const Table t{fiche(1, "a"), fiche(2, "b")};
    const std::string autre = d / "copie.dat";
    ecrireOctets(autre, octetsDe(t));
    chmod(autre.c_str(), 0444);
    BaseLue lue;
    EXPECT_EQ(lireBase(autre, lue), "");
    EXPECT_EQ(lue.nombre, 2u);
    EXPECT_EQ(modeDe(autre), 0444u);
    std::size_t n = 9;
    EXPECT_EQ(raisonIlisible(d / "absente.dat", n), "le fichier n'existe pas");
    EXPECT_EQ(n, 0u);
}

// --- Comparison against a reference ----------------------------------------------------------

// Pairs the cards of each number in table order, the plain way.
Comparaison comparaisonReference(const Table& autre, const Table& ouverte) {
    std::map<int32_t, std::pair<std::vector<int64_t>, std::vector<int64_t>>> parNumero;
    for (std::size_t i = 0; i < autre.size(); ++i) parNumero[autre[i].numero].first.push_back(static_cast<int64_t>(i));
    for (std::size_t i = 0; i < ouverte.size(); ++i) parNumero[ouverte[i].numero].second.push_back(static_cast<int64_t>(i));
    Comparaison c;
    for (const auto& [numero, indices] : parNumero) {
        const auto& [a, o] = indices;
        for (std::size_t k = 0; k < std::max(a.size(), o.size()); ++k) {
            if (k >= o.size()) {
                c.differences.push_back({Ecart::kSeulementAutre, a[k], -1});
                ++c.seulementAutre;
            } else if (k >= a.size()) {
                c.differences.push_back({Ecart::kSeulementOuverte, -1, o[k]});
                ++c.seulementOuverte;
            } else if (texteChamp(autre[a[k]].titre) != texteChamp(ouverte[o[k]].titre) ||
                       texteChamp(autre[a[k]].description) != texteChamp(ouverte[o[k]].description) ||
                       texteChamp(autre[a[k]].image) != texteChamp(ouverte[o[k]].image)) {
                c.differences.push_back({Ecart::kChangee, a[k], o[k]});
                ++c.changees;
            }
        }
    }
    return c;
}

Table tableAuHasard(std::mt19937& g, std::size_t n) {
    Table t;
    for (std::size_t i = 0; i < n; ++i) {
        Fiche f = fiche(static_cast<int32_t>(g() % 8) - 3, std::string(g() % 2, 'x'), g() % 3 ? "" : "\\p.jpg");
        f.titre[5] = static_cast<char>(g());  // after the zero: not part of the card
        t.push_back(f);
    }
    return t;
}

TEST(ComparaisonBases, randomTables_duplicatedNumbers_matchTheReference) {
    std::mt19937 g(7);
    for (int essai = 0; essai < 400; ++essai) {
        const Table autre = tableAuHasard(g, g() % 12);
        const Table ouverte = tableAuHasard(g, g() % 12);
        const Comparaison c = comparer(autre.data(), autre.size(), ouverte.data(), ouverte.size());
        const Comparaison r = comparaisonReference(autre, ouverte);
        ASSERT_EQ(resume(c), resume(r)) << essai;
        ASSERT_EQ(c.differences.size(), r.differences.size());
        for (std::size_t k = 0; k < c.differences.size(); ++k) {
            ASSERT_EQ(std::tie(c.differences[k].genre, c.differences[k].indexAutre, c.differences[k].indexOuverte),
                      std::tie(r.differences[k].genre, r.differences[k].indexAutre, r.differences[k].indexOuverte))
                << essai << " " << k;
        }
    }
    const Table a{fiche(1, "a"), fiche(2, "b")};
    EXPECT_EQ(resume(comparer(a.data(), 2, a.data(), 2)), "+0 \u22120 ~0");
}

// --- Recovery --------------------------------------------------------------------------------

TEST(Recuperation, numerosLibres_equalNumeroLibreAfterEachAddition) {
    std::mt19937 g(3);
    MessagesEnregistres m;
    for (int essai = 0; essai < 200; ++essai) {
        MagasinFiches store(m);
        Table t;
        for (std::size_t i = 0, n = g() % 10; i < n; ++i) t.push_back(fiche(static_cast<int32_t>(g() % 6) + (essai % 2 ? INT32_MAX - 5 : 0), "t"));
        poserTable(store, t);
        std::vector<int32_t> voulus;
        for (std::size_t i = 0, n = g() % 6; i < n; ++i) voulus.push_back(static_cast<int32_t>(g() % 7) + (essai % 2 ? INT32_MAX - 6 : 0));
        const std::vector<int32_t> obtenus = numerosLibres(store, voulus);
        for (std::size_t k = 0; k < voulus.size(); ++k) {
            store.ajouterPlace();
            store.ficheCourante() = fiche(store.numeroLibre(voulus[k], store.courante), "n");
            ASSERT_EQ(obtenus[k], store.ficheCourante().numero) << essai << " " << k;
        }
    }
}

TEST(Recuperation, chosenCards_replaceAndAdd_asOneStepUndoneExactly) {
    MessagesEnregistres m;
    MagasinFiches store(m);
    const Table ouverte{fiche(1, "un"), fiche(2, "deux modifié"), fiche(5, "cinq"), fiche(5, "cinq bis")};
    const Table version{fiche(1, "un"), fiche(2, "deux"), fiche(5, "cinq"), fiche(5, "cinq bis"), fiche(5, "cinq ter"),
                        fiche(7, "sept")};
    poserTable(store, ouverte);
    store.courante = 3;
    Historique h;
    h.recommencer(store);
    const Comparaison c = comparer(version.data(), version.size(), ouverte.data(), ouverte.size());
    EXPECT_EQ(resume(c), "+2 \u22120 ~1");
    h.noter(recuperer(store, version.data(), c.differences, ""), store);
    ASSERT_EQ(store.derniere, 5);
    EXPECT_EQ(texteChamp(store.fiches[1].titre), "deux");
    // The third 5 is taken: it gets the next free number, 6; 7 is free and kept.
    EXPECT_EQ(store.fiches[4].numero, 6);
    EXPECT_EQ(texteChamp(store.fiches[4].titre), "cinq ter");
    EXPECT_EQ(store.fiches[5].numero, 7);
    EXPECT_EQ(store.courante, 1);
    EXPECT_EQ(h.libelleAnnuler(), "annuler la récupération de 3 fiches");
    const Table apres = tableDe(store);
    ASSERT_TRUE(h.annuler(store));
    EXPECT_EQ(octetsDe(tableDe(store)), octetsDe(ouverte));
    EXPECT_EQ(store.modifiee, 0);
    ASSERT_TRUE(h.retablir(store));
    EXPECT_EQ(octetsDe(tableDe(store)), octetsDe(apres));

    // Cards only in the open base are not the other table's to give.
    const Table une{fiche(9, "neuf")};
    const Comparaison rien = comparer(une.data(), 0, store.fiches, 6);
    EXPECT_EQ(recuperer(store, une.data(), rien.differences, ""), nullptr);
    const Comparaison seule = comparer(une.data(), 1, store.fiches, 6);
    std::vector<Difference> neuf;
    for (const Difference& d : seule.differences) {
        if (d.genre == Ecart::kSeulementAutre) neuf.push_back(d);
    }
    EXPECT_EQ(recuperer(store, une.data(), neuf, "")->description(), "la récupération de la fiche 9 « neuf »");
}

TEST(Recuperation, cardsFromAnotherFile_bringTheirPictures_sameNamesKeptApart) {
    DossierTemporaire d;
    MessagesEnregistres m;
    MagasinFiches store(m);
    const std::string base = d / "films.dat";
    const std::string repertoire = cheminRepertoireImages(base);
    mkdir(repertoire.c_str(), 0777);
    store.repertoireImages.affecter(repertoire);
    ecrireOctets(repertoire + "/chat.jpg", "chat de la base");

    const std::string autreRep = d / "cle" ;
    mkdir(autreRep.c_str(), 0777);
    const std::string imagesAutre = autreRep + "/films.rep";
    mkdir(imagesAutre.c_str(), 0777);
    ecrireOctets(imagesAutre + "/chat.jpg", "chat de la clé");
    ecrireOctets(imagesAutre + "/chien.jpg", "chien");
    const auto avant = etatDossier(autreRep);

    poserTable(store, {fiche(1, "chat", "\\chat.jpg")});
    const Table autre{fiche(1, "chat roux", "\\chat.jpg"), fiche(2, "chien", "\\chien.jpg"), fiche(3, "absent", "\\ours.jpg")};
    const Comparaison c = comparer(autre.data(), autre.size(), store.fiches, 1);
    Historique h;
    h.noter(recuperer(store, autre.data(), c.differences, autreRep + "/films.dat"), store);
    ASSERT_EQ(store.derniere, 2);
    EXPECT_EQ(texteChamp(store.fiches[0].image), "\\chat-2.jpg");
    EXPECT_EQ(lireOctets(repertoire + "/chat-2.jpg"), "chat de la clé");
    EXPECT_EQ(lireOctets(repertoire + "/chat.jpg"), "chat de la base");
    EXPECT_EQ(texteChamp(store.fiches[1].image), "\\chien.jpg");
    EXPECT_EQ(lireOctets(repertoire + "/chien.jpg"), "chien");
    EXPECT_EQ(texteChamp(store.fiches[2].image), "\\ours.jpg");
    EXPECT_EQ(etatDossier(autreRep), avant);
    EXPECT_TRUE(m.messages.empty()) << m.messages.front();
    // Undo keeps the pictures copied; redo gives back the names they were filed under.
    h.annuler(store);
    EXPECT_EQ(texteChamp(store.fiches[0].image), "\\chat.jpg");
    EXPECT_EQ(lireOctets(repertoire + "/chat-2.jpg"), "chat de la clé");
    h.retablir(store);
    EXPECT_EQ(texteChamp(store.fiches[0].image), "\\chat-2.jpg");
}

}  // namespace
