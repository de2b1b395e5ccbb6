# Sourced by the tests that read or drive the window over the accessibility bus
# (bus_accessibilite.sh, wayland.sh): the tools they share, a work folder removed on the way
# out with everything started in it, a private runtime folder, the bus, and an X server.
# The caller defines ignorer (say IGNORÉ, exit 77) before sourcing it, and is re-run by
# dbus_session inside a D-Bus session of its own.

# The tools every bus test needs; the caller checks its own before.
verifier_outils_bus() {
  command -v Xvfb >/dev/null || ignorer "Xvfb manque (paquet xvfb)"
  command -v dbus-run-session >/dev/null || ignorer "dbus-run-session manque (paquet dbus-bin)"
  [ -x /usr/libexec/at-spi-bus-launcher ] || ignorer "at-spi-bus-launcher manque (paquet at-spi2-core)"
  /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' \
    2>/dev/null || ignorer "Atspi pour Python manque (paquets python3-gi, gir1.2-atspi-2.0)"
}

# The rest of the caller's script again, inside a D-Bus session of its own.
dbus_session() {
  export BREVANDOUX_DANS_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
}

# The work folder (travail), with the start folder depart, and a private runtime folder made
# before the bus starts: the bus puts its socket there, so that two tests running at once
# each have their own.
ouvrir_travail() {
  travail=$(mktemp -d "/tmp/$1.XXXXXX")
  pids=()
  trap nettoyer EXIT
  mkdir "$travail/xdg" "$travail/depart"
  chmod 700 "$travail/xdg"
  export XDG_RUNTIME_DIR="$travail/xdg"
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$travail/bus.log" 2>&1 &
  pids+=($!)
}

nettoyer() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$travail"
}

# An X server of the given size on the first free display, which it writes back once ready:
# its name in affichage.
lancer_xvfb() {
  exec 3>"$travail/affichage"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -auth /dev/null >"$travail/xvfb.log" 2>&1 &
  pids+=($!)
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$travail/affichage" ] && break
    sleep 0.1
  done
  [ -s "$travail/affichage" ] || { echo "ÉCHEC : Xvfb n'a pas démarré" >&2; cat "$travail/xvfb.log" >&2; exit 1; }
  affichage=":$(head -n1 "$travail/affichage")"
}
