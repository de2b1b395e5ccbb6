#!/usr/bin/env bash
# The packager's path, end to end:
#  1. a Release build with Debian's own compiler and linker flags (dpkg-buildflags, all
#     hardening on), warnings as errors, tests and benchmarks included;
#  2. the Debian package made by CPack from the install rules, checked against them;
#  3. installed with apt, its program and launcher run from the installed paths (the
#     launcher's first-run preparation in a temporary XDG_DATA_HOME), no build path inside;
#  4. removed, and nothing of it left on the machine.
# Installs and removes the package "brevandoux": run it as root or with sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
racine=$PWD
construction="$racine/${BUILD_DIR_PAQUET:-build-paquet}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echec() { echo "paquet.sh : ÉCHEC : $*" >&2; exit 1; }
# grep -q on a pipe would stop its writer early: with pipefail a match would count as a
# failure. Outputs are read whole first.
contient() { local motif=$1 texte; shift; texte=$("$@") && grep -qe "$motif" <<<"$texte"; }
etape() { echo "== paquet.sh : $*"; }

# --- 1. Debian's flags -------------------------------------------------------------------
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
# CMake reads neither CPPFLAGS nor, once configured, a changed CXXFLAGS: both are handed over
# explicitly, as debhelper does.
etape "construction Release avec dpkg-buildflags : $CXXFLAGS $CPPFLAGS / $LDFLAGS"
cmake -S . -B "$construction" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" \
  -DBREVANDOUX_WERROR=ON -DBUILD_TESTING=ON -DBREVANDOUX_BENCH=ON >/dev/null
cmake --build "$construction" -j"$(nproc)"
# Every compilation really got the flags.
python3 - "$construction/compile_commands.json" <<'PY'
import json, sys
cmds = json.load(open(sys.argv[1]))
voulues = ("-fstack-protector-strong", "-D_FORTIFY_SOURCE=2", "-Werror=format-security", "-Werror")
manque = [c["file"] for c in cmds if not all(f in c["command"].split() for f in voulues)]
if manque or not cmds:
    sys.exit("sans les options de Debian : " + ", ".join(manque[:5]))
print(f"{len(cmds)} compilations avec les options de Debian")
PY

# --- 2. the package ----------------------------------------------------------------------
etape "fabrication du paquet"
rm -f "$construction"/brevandoux_*.deb
(cd "$construction" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$construction/CMakeCache.txt")
deb="$construction/brevandoux_${version}_amd64.deb"
[ -f "$deb" ] || echec "$deb n'a pas été fait ($(ls "$construction"/*.deb 2>/dev/null))"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends Installed-Size
depend=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 librsvg2-2 libwmf-0.2-7 libemf2svg1 libjpeg62-turbo libc6; do
  grep -q "$lib" <<<"$depend" || echec "la dépendance $lib manque : $depend"
done

travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
# The package holds exactly what the install rules install, so a new installed file
# (a helper program in libexec, say) comes in by itself.
DESTDIR="$travail/regles" cmake --install "$construction" --prefix /usr >/dev/null
(cd "$travail/regles" && find . -type f -o -type l | sed 's|^\./|/|' | sort) >"$travail/attendus"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$travail/contenu"
# Debian's own compressed copy of the changelog or copyright may be added by CPack; nothing of
# the install rules may be missing.
manquants=$(comm -23 "$travail/attendus" "$travail/contenu")
[ -z "$manquants" ] || echec "absents du paquet : $manquants"
for f in /usr/bin/brevandoux /usr/bin/brevandoux-lanceur /usr/share/applications/brevandoux.desktop \
         /usr/share/icons/hicolor/48x48/apps/brevandoux.png /usr/share/icons/hicolor/64x64/apps/brevandoux.png \
         /usr/share/icons/hicolor/128x128/apps/brevandoux.png /usr/share/icons/hicolor/256x256/apps/brevandoux.png \
         /usr/share/icons/hicolor/scalable/apps/brevandoux.svg /usr/share/brevandoux/aide/brevandoux.html \
         /usr/share/brevandoux/rien.jpg /usr/share/brevandoux/exemple/exemple.dat \
         /usr/share/man/fr/man1/brevandoux.1.gz /usr/share/man/fr/man1/brevandoux-lanceur.1.gz \
         /usr/share/man/fr/man1/brevandoux-convertir.1.gz \
         /usr/share/metainfo/io.github.brevandoux.brevandoux.metainfo.xml /usr/share/doc/brevandoux/copyright; do
  grep -qxF "$f" "$travail/contenu" || echec "$f manque au paquet"
done
dpkg-deb -x "$deb" "$travail/paquet"
appstreamcli validate --no-net "$travail/paquet/usr/share/metainfo/io.github.brevandoux.brevandoux.metainfo.xml"
desktop-file-validate "$travail/paquet/usr/share/applications/brevandoux.desktop"
for page in brevandoux brevandoux-lanceur brevandoux-convertir; do
  contient '^\.SH NOM' zcat "$travail/paquet/usr/share/man/fr/man1/$page.1.gz" || echec "page de manuel $page illisible"
done
echo "$(wc -l <"$travail/contenu") fichiers, $(du -k "$deb" | cut -f1) Ko"

# --- 3. installed and run ----------------------------------------------------------------
etape "installation"
if dpkg-query -W -f='${Status}' brevandoux 2>/dev/null | grep -q 'install ok installed'; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 brevandoux </dev/null
fi
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" </dev/null
installes=$(dpkg -L brevandoux)
retirer() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 brevandoux </dev/null >/dev/null 2>&1 || true
}
trap 'retirer; rm -rf "$travail"' EXIT

[ "$(command -v brevandoux)" = /usr/bin/brevandoux ] || echec "brevandoux n'est pas /usr/bin/brevandoux"
sans_ecran() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@"; }
sortie=$(sans_ecran brevandoux --version) || echec "brevandoux --version a échoué"
[ "$sortie" = "brevandoux $version" ] || echec "brevandoux --version affiche « $sortie »"
echo "$sortie"
contient '^Usage : brevandoux' sans_ecran brevandoux --help || echec "brevandoux --help"

# No path of this machine's source or build folders in what was installed.
while IFS= read -r f; do
  [ -f "$f" ] || continue
  # Qt's string literals are UTF-16: both encodings are searched.
  trouves=$({ strings -a "$f"; strings -a -el "$f"; } | grep -F -e "$racine" -e "$construction" || true)
  [ -z "$trouves" ] || echec "$f contient un chemin de construction : $(head -3 <<<"$trouves")"
done <<<"$installes"
# Built with hardening: full RELRO, immediate binding, position-independent.
contient GNU_RELRO readelf -lW /usr/bin/brevandoux || echec "pas de RELRO"
contient 'BIND_NOW\|FLAGS.*NOW' readelf -dW /usr/bin/brevandoux || echec "pas de liaison immédiate"
contient 'Type:.*DYN' readelf -hW /usr/bin/brevandoux || echec "pas de PIE"
contient '__stack_chk_fail' readelf -sW --dyn-syms /usr/bin/brevandoux || echec "pas de protection de pile"
contient '_chk@' readelf -sW --dyn-syms /usr/bin/brevandoux || echec "pas de _FORTIFY_SOURCE"

etape "premier lancement du lanceur installé"
donnees="$travail/xdg"
mkdir -p "$donnees"
sortie=$(sans_ecran env XDG_DATA_HOME="$donnees" brevandoux-lanceur --version) || echec "le lanceur a échoué"
[ "$sortie" = "brevandoux $version" ] || echec "le lanceur n'a pas lancé le programme installé : « $sortie »"
depart="$donnees/brevandoux"
for f in rien.jpg exemple.dat brevandoux.ini; do [ -f "$depart/$f" ] || echec "$depart/$f manque"; done
[ -d "$depart/exemple.rep" ] || echec "$depart/exemple.rep manque"
cmp -s "$depart/exemple.dat" /usr/share/brevandoux/exemple/exemple.dat || echec "base d'exemple différente"
[ "$(cat "$depart/brevandoux.ini")" = "$(printf '[setup]\nautoload=%s' "$depart/exemple.dat")" ] ||
  echec "brevandoux.ini : $(cat "$depart/brevandoux.ini")"
# A second run replaces nothing of the user's.
printf '[setup]\nautoload=\n' >"$depart/brevandoux.ini"
rm "$depart/exemple.dat"
sans_ecran env XDG_DATA_HOME="$donnees" brevandoux-lanceur --version >/dev/null
[ "$(cat "$depart/brevandoux.ini")" = "$(printf '[setup]\nautoload=')" ] || echec "le lanceur a remplacé brevandoux.ini"
[ ! -e "$depart/exemple.dat" ] || echec "le lanceur a remis la base d'exemple supprimée"
echo "dossier de départ préparé : $(cd "$depart" && ls | tr '\n' ' ')"

# --- 4. removed --------------------------------------------------------------------------
etape "désinstallation"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 brevandoux </dev/null
trap 'rm -rf "$travail"' EXIT
! dpkg-query -W -f='${Status}' brevandoux 2>/dev/null | grep -q 'ok installed' || echec "brevandoux est encore installé"
restes=0
while IFS= read -r f; do
  # Files of the package, and folders of its own name, must be gone; shared folders stay.
  if [ -e "$f" ] && { [ ! -d "$f" ] || [[ "$f" == *brevandoux* ]]; }; then
    echo "reste : $f" >&2; restes=1
  fi
done <<<"$installes"
[ "$restes" -eq 0 ] || echec "des fichiers du paquet sont restés"
echo "paquet.sh : bon ($(wc -l <<<"$installes") chemins installés puis retirés)"
