#!/usr/bin/env bash
# Installs what is missing, builds, prepares a start directory holding a sample base, its
# pictures, rien.jpg and brevandoux.ini, and starts the program there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
start="$PWD/build/demarrage"
mkdir -p "$start"
./build/samples/fabriquer_exemple "$start"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Pas d'écran graphique : lancement dans un écran virtuel (xvfb-run)." >&2
  cd "$start" && exec xvfb-run -a -s "-screen 0 1280x1024x24" "$OLDPWD/build/app/brevandoux"
fi
cd "$start" && exec "$OLDPWD/build/app/brevandoux"
