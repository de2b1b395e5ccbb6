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

# First the tools, then the rest of this script again inside a D-Bus session of its own.
if [ -z "${BREVANDOUX_DANS_SESSION:-}" ]; then
  command -v Xvfb >/dev/null || ignorer "Xvfb manque (paquet xvfb)"
  command -v dbus-run-session >/dev/null || ignorer "dbus-run-session manque (paquet dbus-bin)"
  [ -x /usr/libexec/at-spi-bus-launcher ] || ignorer "at-spi-bus-launcher manque (paquet at-spi2-core)"
  /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' \
    2>/dev/null || ignorer "Atspi pour Python manque (paquets python3-gi, gir1.2-atspi-2.0)"
  export BREVANDOUX_DANS_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi

travail=$(mktemp -d /tmp/brevandoux-atspi.XXXXXX)
pids=()
nettoyer() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$travail"
}
trap nettoyer EXIT

# The accessibility bus and its registry, on this session only.
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$travail/bus.log" 2>&1 &
pids+=($!)

# An X server on the first free display, which it writes back once it is ready.
exec 3>"$travail/affichage"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth /dev/null >"$travail/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
  [ -s "$travail/affichage" ] && break
  sleep 0.1
done
[ -s "$travail/affichage" ] || { echo "ÉCHEC : Xvfb n'a pas démarré" >&2; cat "$travail/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$travail/affichage")"

mkdir "$travail/depart" "$travail/xdg"
chmod 700 "$travail/xdg"
export XDG_RUNTIME_DIR="$travail/xdg"
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
