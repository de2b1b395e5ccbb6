#pragma once
// A path buffer of fixed capacity (terminating zero included): a value that does not fit is
// refused and the buffer keeps what it held.

#include <cstddef>
#include <string>
#include <string_view>

template <std::size_t Capacite>
class Chemin {
public:
    static constexpr std::size_t kMaxLongueur = Capacite - 1;

    // Returns false, leaving the buffer unchanged, when the text is too long or holds a zero.
    bool affecter(std::string_view texte) {
        if (texte.size() > kMaxLongueur || texte.find('\0') != std::string_view::npos) {
            return false;
        }
        texte_.assign(texte);
        return true;
    }
    void vider() { texte_.clear(); }

    const std::string& str() const { return texte_; }
    const char* c_str() const { return texte_.c_str(); }
    bool empty() const { return texte_.empty(); }
    std::size_t size() const { return texte_.size(); }

private:
    std::string texte_;
};
