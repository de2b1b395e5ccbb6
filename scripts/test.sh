#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite: once in the normal build, then
# the Debian package check (a Release build with Debian's own flags, the package checked by
# lintian and run unpacked; installed, run and removed only where no brevandoux is
# installed), then the suites again built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a short time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh tests
# The layers before anything is built: core/ without Qt, ui/ without the controllers, the
# pages and exports without widgets.
bash scripts/verifier_couches.sh .
bash scripts/build.sh -DBUILD_TESTING=ON -DBREVANDOUX_BENCH=ON
# A real print queue for the end-to-end printing test, when the machine can run one.
if [ -f scripts/cups-pdf.sh ]; then
  bash scripts/cups-pdf.sh || echo "CUPS indisponible : le test d'impression réelle sera ignoré" >&2
fi
(cd build && ctest --output-on-failure -j"$(nproc)")

if [ "${BREVANDOUX_SANS_PAQUET:-}" != 1 ]; then
  bash scripts/paquet.sh
fi

if [ "${BREVANDOUX_SANS_SANITIZERS:-}" != 1 ]; then
  bash scripts/sanitizers.sh
  bash scripts/fuzz.sh "${FUZZ_SECONDES:-20}"
fi
