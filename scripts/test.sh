#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# A real print queue for the end-to-end printing test, when the machine can run one.
if [ -f scripts/cups-pdf.sh ]; then bash scripts/cups-pdf.sh || echo "CUPS indisponible : le test d'impression réelle sera ignoré" >&2; fi
(cd build && ctest --output-on-failure -j"$(nproc)")
