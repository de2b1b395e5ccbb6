#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite: once in the normal build, once
# more built by clang with AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz
# target for a short time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The layers before anything is built: core/ without Qt, ui/ without bases/, list/, print/.
bash scripts/verifier_couches.sh .
bash scripts/build.sh
# A real print queue for the end-to-end printing test, when the machine can run one.
if [ -f scripts/cups-pdf.sh ]; then
  bash scripts/cups-pdf.sh || echo "CUPS indisponible : le test d'impression réelle sera ignoré" >&2
fi
(cd build && ctest --output-on-failure -j"$(nproc)")

if [ "${BREVANDOUX_SANS_SANITIZERS:-}" != 1 ]; then
  bash scripts/sanitizers.sh
  bash scripts/fuzz.sh "${FUZZ_SECONDES:-20}"
fi
