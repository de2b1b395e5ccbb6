#!/usr/bin/env bash
# The program on a Wayland desktop, natively: a Weston compositor, its own D-Bus
# session and accessibility bus, no X server (DISPLAY unset) and the session type a Wayland
# desktop announces, so that Qt picks its platform itself. The program is started in a start
# directory holding the sample base; piloter_wayland.py checks it drew through Qt's Wayland
# plugin, browses, copies a description to the clipboard and reads it back, and quits it.
# Everything started here is stopped, and the start directory removed, on the way out.
# Without one of the tools it says IGNORÉ and exits 77 (skipped).
#   wayland.sh BREVANDOUX FABRIQUER_EXEMPLE PILOTER_WAYLAND_PY
set -euo pipefail
programme=$(realpath "$1") exemple=$(realpath "$2") pilote=$(realpath "$3")

ignorer() {
  echo "IGNORÉ : le programme sous Wayland — $1 (bash scripts/install-deps.sh tests l'installe)" >&2
  exit 77
}

. "$(dirname "$0")/session_bus.sh"

if [ -z "${BREVANDOUX_DANS_SESSION:-}" ]; then
  command -v weston >/dev/null || ignorer "weston manque (paquet weston)"
  dpkg -L qt6-wayland 2>/dev/null | grep -q 'platforms/libqwayland' || ignorer "le greffon Wayland de Qt manque (paquet qt6-wayland)"
  verifier_outils_bus
  dbus_session "$@"
fi

ouvrir_travail brevandoux-wayland
# Weston's headless backend has no seat, and a Wayland clipboard belongs to a seat: the
# compositor runs on its X11 backend in an X server of its own, whose keyboard and pointer
# make the seat. The program itself is given no X display: it can only speak Wayland.
lancer_xvfb 1400x1100x24
DISPLAY="$affichage" weston --backend=x11-backend.so --socket=wl-brevandoux \
  --width=1280 --height=1024 --idle-time=0 >"$travail/weston.log" 2>&1 &
pids+=($!)
unset DISPLAY
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/wl-brevandoux" ] && break
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/wl-brevandoux" ] || { echo "ÉCHEC : weston n'a pas démarré" >&2; cat "$travail/weston.log" >&2; exit 1; }

"$exemple" "$travail/depart" >/dev/null
(
  cd "$travail/depart"
  # Under the sanitizers, leaks are not looked for here: Qt's Wayland plugin, unloaded at exit,
  # leaves a block whose allocation LeakSanitizer can no longer name or set aside; the other
  # suites look for the program's own leaks.
  exec env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wl-brevandoux XDG_SESSION_TYPE=wayland \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$programme"
) >"$travail/programme.log" 2>&1 &
pid_programme=$!
pids+=("$pid_programme")

echec() {
  echo "ÉCHEC : $1" >&2
  echo "--- sortie du programme ---" >&2
  cat "$travail/programme.log" >&2
  exit 1
}

# Qt's Wayland plugin in the program, once its window is up.
for _ in $(seq 100); do
  grep -q libqwayland "/proc/$pid_programme/maps" 2>/dev/null && break
  kill -0 "$pid_programme" 2>/dev/null || break
  sleep 0.1
done
grep -q libqwayland "/proc/$pid_programme/maps" 2>/dev/null ||
  echec "le programme ne s'est pas affiché par le greffon Wayland de Qt"
grep -q libqxcb "/proc/$pid_programme/maps" && echec "le programme a chargé le greffon X11 de Qt"
echo "plateforme : wayland (libqwayland chargé, pas de libqxcb)"

/usr/bin/python3 "$pilote" "$pid_programme" || echec "pilotage par le bus d'accessibilité"

# "Quitter" was pressed: the program must end by itself, with success.
for _ in $(seq 100); do
  kill -0 "$pid_programme" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid_programme" 2>/dev/null && echec "le programme ne s'est pas arrêté après « Quitter »"
statut=0
wait "$pid_programme" || statut=$?
[ "$statut" -eq 0 ] || echec "le programme s'est arrêté avec le code $statut"
echo "arrêt propre après « Quitter »"
