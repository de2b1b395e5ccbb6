#!/usr/bin/env bash
# Installs what running needs, builds the program and the sample maker only, prepares a start
# directory holding a sample base, its pictures, rien.jpg and brevandoux.ini, and starts the
# program there.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MESSAGE'
Brevandoux est un programme à fenêtre : il lui faut un écran graphique, et aucun n'est
disponible ici (ni DISPLAY ni WAYLAND_DISPLAY ne sont définis).
Lancez cette commande depuis une session de bureau, ou par « ssh -X » depuis une machine qui
en a une. Les tests, eux, n'ont pas besoin d'écran : bash scripts/test.sh
MESSAGE
  exit 1
fi
bash scripts/install-deps.sh execution
# The tests and benchmarks are left out, and a newer compiler's new warnings do not stop a
# user who only wants to run the program.
BREVANDOUX_WERROR=OFF BUILD_TARGET=programme bash scripts/build.sh \
  -DBUILD_TESTING=OFF -DBREVANDOUX_BENCH=OFF
start="$PWD/build/demarrage"
mkdir -p "$start"
./build/samples/fabriquer_exemple "$start"
cd "$start" && exec "$OLDPWD/build/app/brevandoux"
