#pragma once
// The sizes a HEIF file (HEIC, AVIF) declares for every picture libheif may build from it,
// read from its boxes before libheif decodes anything: each coded item's 'ispe' (grid tiles,
// thumbnails and alpha planes included) and the canvas that a grid ('grid') or an overlay
// ('iovl') declares in its own data, which libheif allocates as declared whatever the
// item's 'ispe' says.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct SurfaceHeif {
    std::uint64_t largeur = 0;
    std::uint64_t hauteur = 0;
};

// Every size declared. Nothing (no answer at all) when the data of a grid or an overlay cannot
// be found or read: its canvas is then unknown, and such a file is not to be decoded.
std::optional<std::vector<SurfaceHeif>> surfacesHeif(std::span<const std::uint8_t> fichier);
