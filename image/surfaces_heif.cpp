#include "image/surfaces_heif.h"

#include <cstring>
#include <map>
#include <string_view>

namespace {

// A bounded window of the file; every read past its end fails and leaves it failed.
class Lecteur {
public:
    explicit Lecteur(std::span<const std::uint8_t> octets) : octets_(octets) {}
    bool ok() const { return ok_; }
    bool fini() const { return pos_ >= octets_.size(); }
    std::size_t reste() const { return ok_ ? octets_.size() - pos_ : 0; }
    std::uint64_t entier(std::size_t taille) {
        if (!ok_ || taille > 8 || reste() < taille) {
            ok_ = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < taille; ++i) v = (v << 8) | octets_[pos_ + i];
        pos_ += taille;
        return v;
    }
    std::span<const std::uint8_t> morceau(std::size_t taille) {
        if (!ok_ || reste() < taille) {
            ok_ = false;
            return {};
        }
        const auto m = octets_.subspan(pos_, taille);
        pos_ += taille;
        return m;
    }

private:
    std::span<const std::uint8_t> octets_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

struct Boite {
    std::string_view type;
    std::span<const std::uint8_t> contenu;  // after the header
};

// The next box of a sequence, or nothing at its end or on a size that does not fit.
std::optional<Boite> boiteSuivante(Lecteur& l) {
    if (l.fini() || !l.ok()) return std::nullopt;
    std::uint64_t taille = l.entier(4);
    const auto type = l.morceau(4);
    std::size_t entete = 8;
    if (taille == 1) {
        taille = l.entier(8);
        entete = 16;
    } else if (taille == 0) {
        taille = l.reste() + entete;
    }
    if (!l.ok() || taille < entete || taille - entete > l.reste()) return std::nullopt;
    Boite b{std::string_view(reinterpret_cast<const char*>(type.data()), 4),
            l.morceau(static_cast<std::size_t>(taille - entete))};
    if (b.type == "uuid") {
        if (b.contenu.size() < 16) return std::nullopt;
        b.contenu = b.contenu.subspan(16);
    }
    return b;
}

std::optional<Boite> enfant(std::span<const std::uint8_t> boites, std::string_view type) {
    Lecteur l(boites);
    while (auto b = boiteSuivante(l)) {
        if (b->type == type) return b;
    }
    return std::nullopt;
}

struct Etendue {
    std::uint64_t debut = 0, longueur = 0;
};
struct Emplacement {
    unsigned methode = 0;  // 0 in the file, 1 in 'idat'
    std::uint64_t base = 0;
    std::vector<Etendue> etendues;
};

struct Meta {
    std::map<std::uint32_t, std::string_view> types;
    std::map<std::uint32_t, Emplacement> emplacements;
    std::map<std::uint32_t, std::vector<unsigned>> proprietes;  // 1-based 'ipco' indexes
    std::vector<std::optional<SurfaceHeif>> ispe;                // by 'ipco' index - 1
    std::span<const std::uint8_t> idat;
};

void lireIinf(std::span<const std::uint8_t> contenu, Meta& m) {
    Lecteur l(contenu);
    const unsigned version = static_cast<unsigned>(l.entier(1));
    l.entier(3);
    l.entier(version == 0 ? 2 : 4);
    while (auto infe = boiteSuivante(l)) {
        if (infe->type != "infe") continue;
        Lecteur e(infe->contenu);
        const unsigned v = static_cast<unsigned>(e.entier(1));
        e.entier(3);
        if (v < 2) continue;  // the old entries carry no item type: no picture
        const auto id = static_cast<std::uint32_t>(e.entier(v == 2 ? 2 : 4));
        e.entier(2);
        const auto type = e.morceau(4);
        if (e.ok()) m.types[id] = std::string_view(reinterpret_cast<const char*>(type.data()), 4);
    }
}

bool lireIloc(std::span<const std::uint8_t> contenu, Meta& m) {
    Lecteur l(contenu);
    const unsigned version = static_cast<unsigned>(l.entier(1));
    l.entier(3);
    const unsigned tailles = static_cast<unsigned>(l.entier(1)), autres = static_cast<unsigned>(l.entier(1));
    const unsigned tailleDebut = tailles >> 4, tailleLongueur = tailles & 15, tailleBase = autres >> 4;
    const unsigned tailleIndex = version == 1 || version == 2 ? (autres & 15) : 0;
    const std::uint64_t nombre = l.entier(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < nombre && l.ok(); ++i) {
        const auto id = static_cast<std::uint32_t>(l.entier(version < 2 ? 2 : 4));
        Emplacement e;
        if (version == 1 || version == 2) e.methode = static_cast<unsigned>(l.entier(2) & 15);
        l.entier(2);
        e.base = l.entier(tailleBase);
        const std::uint64_t etendues = l.entier(2);
        for (std::uint64_t j = 0; j < etendues && l.ok(); ++j) {
            l.entier(tailleIndex);
            Etendue t;
            t.debut = l.entier(tailleDebut);
            t.longueur = l.entier(tailleLongueur);
            e.etendues.push_back(t);
        }
        m.emplacements[id] = std::move(e);
    }
    return l.ok();
}

void lireIprp(std::span<const std::uint8_t> contenu, Meta& m) {
    if (auto ipco = enfant(contenu, "ipco")) {
        Lecteur l(ipco->contenu);
        while (auto p = boiteSuivante(l)) {
            std::optional<SurfaceHeif> s;
            if (p->type == "ispe") {
                Lecteur e(p->contenu);
                e.entier(4);
                SurfaceHeif t;
                t.largeur = e.entier(4);
                t.hauteur = e.entier(4);
                if (e.ok()) s = t;
            }
            m.ispe.push_back(s);
        }
    }
    if (auto ipma = enfant(contenu, "ipma")) {
        Lecteur l(ipma->contenu);
        const unsigned version = static_cast<unsigned>(l.entier(1));
        const bool large = (l.entier(3) & 1) != 0;
        const std::uint64_t nombre = l.entier(4);
        for (std::uint64_t i = 0; i < nombre && l.ok(); ++i) {
            const auto id = static_cast<std::uint32_t>(l.entier(version < 1 ? 2 : 4));
            const std::uint64_t associations = l.entier(1);
            for (std::uint64_t j = 0; j < associations && l.ok(); ++j) {
                const std::uint64_t a = l.entier(large ? 2 : 1);
                if (l.ok()) m.proprietes[id].push_back(static_cast<unsigned>(a & (large ? 0x7fff : 0x7f)));
            }
        }
    }
}

// The data of an item, its extents put end to end; nothing when it lies outside the file.
std::optional<std::vector<std::uint8_t>> donnees(const Meta& m, std::uint32_t id,
                                                 std::span<const std::uint8_t> fichier) {
    const auto it = m.emplacements.find(id);
    if (it == m.emplacements.end() || it->second.methode > 1) return std::nullopt;
    const std::span<const std::uint8_t> source = it->second.methode == 1 ? m.idat : fichier;
    std::vector<std::uint8_t> d;
    for (const Etendue& e : it->second.etendues) {
        const std::uint64_t debut = it->second.base + e.debut;
        // A length of 0 means up to the end of the source.
        const std::uint64_t longueur = e.longueur == 0 && debut <= source.size() ? source.size() - debut : e.longueur;
        if (debut < it->second.base || debut > source.size() || longueur > source.size() - debut) return std::nullopt;
        d.insert(d.end(), source.begin() + static_cast<std::ptrdiff_t>(debut),
                 source.begin() + static_cast<std::ptrdiff_t>(debut + longueur));
        if (d.size() > 64) break;  // the canvas is declared within the first bytes
    }
    return d;
}

// The canvas a grid or an overlay declares: its sizes follow a header of fixe bytes, on 16
// bits, or on 32 when the first flag is set.
std::optional<SurfaceHeif> toile(const std::vector<std::uint8_t>& d, std::size_t fixe) {
    Lecteur l(d);
    l.entier(1);
    const bool large = (l.entier(1) & 1) != 0;
    l.entier(fixe - 2);
    SurfaceHeif s;
    s.largeur = l.entier(large ? 4 : 2);
    s.hauteur = l.entier(large ? 4 : 2);
    if (!l.ok()) return std::nullopt;
    return s;
}

}  // namespace

std::optional<std::vector<SurfaceHeif>> surfacesHeif(std::span<const std::uint8_t> fichier) {
    std::vector<SurfaceHeif> surfaces;
    const auto meta = enfant(fichier, "meta");
    if (!meta || meta->contenu.size() < 4) return surfaces;
    const auto boites = meta->contenu.subspan(4);
    Meta m;
    if (auto b = enfant(boites, "iinf")) lireIinf(b->contenu, m);
    if (auto b = enfant(boites, "iloc"); b && !lireIloc(b->contenu, m)) return std::nullopt;
    if (auto b = enfant(boites, "iprp")) lireIprp(b->contenu, m);
    // As libheif reads it: from the start of the box's data up to the end of the file, not
    // of the box.
    if (auto b = enfant(boites, "idat")) m.idat = fichier.subspan(static_cast<std::size_t>(b->contenu.data() - fichier.data()));
    for (const auto& [id, indexes] : m.proprietes) {
        for (const unsigned i : indexes) {
            if (i >= 1 && i <= m.ispe.size() && m.ispe[i - 1]) surfaces.push_back(*m.ispe[i - 1]);
        }
    }
    for (const auto& [id, type] : m.types) {
        if (type != "grid" && type != "iovl") continue;
        const auto d = donnees(m, id, fichier);
        if (!d) return std::nullopt;
        // A grid: version, flags, rows and columns; an overlay: version, flags, four 16-bit
        // components of the fill colour.
        const auto s = toile(*d, type == "grid" ? 4 : 10);
        if (!s) return std::nullopt;
        surfaces.push_back(*s);
    }
    return surfaces;
}
