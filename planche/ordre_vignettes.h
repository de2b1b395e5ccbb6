#pragma once
// In which order the board asks for thumbnails: the tiles on screen first, from the top, then
// the next screens in the direction the user scrolls, then one screen the other way.

#include <vector>

struct EcranPlanche {
    int premiere = 0;   // first line of tiles on screen (a line holds `colonnes` tiles)
    int lignes = 1;     // lines of tiles a screen shows, a cut one included
    int colonnes = 1;
    int total = 0;      // tiles of the board
    int sens = 1;       // 1 scrolling down, -1 up
};

// The tiles' rows (indexes in the board), each once, the most wanted first: the screen, then
// `ecransDevant` screens ahead and one behind, clipped to the board.
std::vector<int> ordreVignettes(const EcranPlanche& ecran, int ecransDevant = 2);
