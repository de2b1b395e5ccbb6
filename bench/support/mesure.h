#pragma once
// Timing steps side by side, and running other programs (sqlite3, the converter) as children.

#include <sys/resource.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mesure {

// Wall-clock time, and the processor time of the whole process (all threads, user and
// system): on a machine shared with other work the second is the steadier comparison.
struct Temps {
    double mur = 1e300;
    double processeur = 1e300;
};

// Runs a step once and returns its times; ok becomes false when the step fails.
Temps chronometrer(const std::function<bool()>& etape, bool& ok);

// The best times of a step and of the step it is compared with, run in turn: on a machine
// shared with other work, a busy minute then slows both rather than only the one measured in
// it. The first run of each warms up the memory (a fresh machine's first large allocation is
// slow) and is not counted; essais runs of each are.
std::pair<Temps, Temps> mesurerEnAlternance(const std::function<bool()>& etape,
                                            const std::function<bool()>& reference, bool& ok, int essais = 3);

// Runs a program (looked up in PATH) and waits for it; true when it ran and exited 0. usage,
// when given, receives what the child alone used (its times, its peak resident memory).
bool lancer(const std::vector<std::string>& arguments, rusage* usage = nullptr);

// The folder a benchmark works in: argv[2] when given, else a fresh one under /tmp named after
// the benchmark (temporaire: to remove at the end). Empty when none could be made.
std::string dossierDeTravail(int argc, char** argv, const std::string& nom, bool& temporaire);

// sqlite3's import of a CSV table into a new database file, in one table of text columns.
std::function<bool()> importSqlite(const std::string& table, char separateur, const std::string& base);

}  // namespace mesure
