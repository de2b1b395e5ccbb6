#!/usr/bin/env bash
# The main window read over the real accessibility bus (AT-SPI), as a screen reader reads it:
# its own D-Bus session, the accessibility bus launcher, an X server on a free display, the
# program started in a start directory holding the sample base, then lire_fenetre.py walks
# the window. Everything started here is stopped, and the start directory removed, on the
# way out. Without one of the tools it needs it says IGNORÉ and exits 77 (skipped).
#   bus_accessibilite.sh BREVANDOUX FABRIQUER_EXEMPLE LIRE_FENETRE_PY
set -euo pipefail
programme=$(realpath "$1") exemple=$(realpath "$2") lecteur=$(realpath "$3")

ignorer() {
  echo "IGNORÉ : lecture de la fenêtre par le bus d'accessibilité — $1" \
       "(bash scripts/install-deps.sh tests l'installe)" >&2
  exit 77
}

. "$(dirname "$0")/session_bus.sh"

# First the tools, then the rest of this script again inside a D-Bus session of its own.
if [ -z "${BREVANDOUX_DANS_SESSION:-}" ]; then
  verifier_outils_bus
  dbus_session "$@"
fi

ouvrir_travail brevandoux-atspi
lancer_xvfb 1280x1024x24
export DISPLAY="$affichage"
"$exemple" "$travail/depart" >/dev/null
(
  cd "$travail/depart"
  exec env QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
    "$programme"
) >"$travail/programme.log" 2>&1 &
pid_programme=$!
pids+=("$pid_programme")

if ! /usr/bin/python3 "$lecteur" "$pid_programme"; then
  echo "--- sortie du programme ---" >&2
  cat "$travail/programme.log" >&2
  exit 1
fi
