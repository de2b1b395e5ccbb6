#!/usr/bin/env bash
# The packager's path, end to end:
#  1. a Release build with Debian's own compiler and linker flags (dpkg-buildflags, all
#     hardening on), warnings as errors, tests and benchmarks included;
#  2. the Debian package made by CPack from the install rules, checked against them and by
#     lintian (only the tags of the placeholder maintainer are allowed);
#  3. unpacked into a temporary root (dpkg-deb -x) and run from there: the program, the
#     launcher's first-run preparation in a temporary XDG_DATA_HOME, the converter; no build
#     path inside. This touches nothing installed on the machine;
#  4. installed for real with apt, run from the installed paths, then removed with nothing of
#     it left - only when the machine has no brevandoux package and none of its files: a
#     user's own installation is never replaced or removed ("IGNORÉ" says why).
# Step 4 needs root or sudo.
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
# What dpkg says of a brevandoux package before anything is done: a user's installation must
# be the same at the end.
etat_utilisateur() { dpkg-query -W -f='${Version} ${db:Status-Status}' brevandoux 2>/dev/null || true; }
etat_depart=$(etat_utilisateur)

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
dpkg-deb -f "$deb" Package Version Architecture Maintainer Depends Recommends Installed-Size
depend=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 librsvg2-2 libwmf-0.2-7 libemf2svg1 libjpeg62-turbo libheif1 \
           qt6-image-formats-plugins libc6; do
  grep -q "$lib" <<<"$depend" || echec "la dépendance $lib manque : $depend"
done

travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
# The package holds exactly what the install rules install, so a new installed file
# (a helper program in libexec, say) comes in by itself.
DESTDIR="$travail/regles" cmake --install "$construction" --prefix /usr >/dev/null
(cd "$travail/regles" && find . -type f -o -type l | sed 's|^\./|/|' | sort) >"$travail/attendus"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$travail/contenu"
manquants=$(comm -23 "$travail/attendus" "$travail/contenu")
[ -z "$manquants" ] || echec "absents du paquet : $manquants"
for f in /usr/bin/brevandoux /usr/bin/brevandoux-lanceur /usr/bin/brevandoux-convertir \
         /usr/libexec/brevandoux/brevandoux-image /usr/share/applications/brevandoux.desktop \
         /usr/share/icons/hicolor/48x48/apps/brevandoux.png /usr/share/icons/hicolor/64x64/apps/brevandoux.png \
         /usr/share/icons/hicolor/128x128/apps/brevandoux.png /usr/share/icons/hicolor/256x256/apps/brevandoux.png \
         /usr/share/icons/hicolor/scalable/apps/brevandoux.svg /usr/share/brevandoux/aide/brevandoux.html \
         /usr/share/brevandoux/rien.jpg /usr/share/brevandoux/exemple/exemple.dat \
         /usr/share/man/man1/brevandoux.1.gz /usr/share/man/man1/brevandoux-lanceur.1.gz \
         /usr/share/man/man1/brevandoux-convertir.1.gz \
         /usr/share/man/fr/man1/brevandoux.1.gz /usr/share/man/fr/man1/brevandoux-lanceur.1.gz \
         /usr/share/man/fr/man1/brevandoux-convertir.1.gz \
         /usr/share/metainfo/io.github.brevandoux.brevandoux.metainfo.xml \
         /usr/share/doc/brevandoux/copyright /usr/share/doc/brevandoux/changelog.gz; do
  grep -qxF "$f" "$travail/contenu" || echec "$f manque au paquet"
done
racine_paquet="$travail/paquet"
dpkg-deb -x "$deb" "$racine_paquet"
appstreamcli validate --no-net "$racine_paquet/usr/share/metainfo/io.github.brevandoux.brevandoux.metainfo.xml"
desktop-file-validate "$racine_paquet/usr/share/applications/brevandoux.desktop"
for page in brevandoux brevandoux-lanceur brevandoux-convertir; do
  contient '^\.SH NAME' zcat "$racine_paquet/usr/share/man/man1/$page.1.gz" || echec "page de manuel anglaise $page illisible"
  contient '^\.SH NOM' zcat "$racine_paquet/usr/share/man/fr/man1/$page.1.gz" || echec "page de manuel $page illisible"
done
# The changelog's latest entry is this version (a new version needs its entry).
zcat "$racine_paquet/usr/share/doc/brevandoux/changelog.gz" >"$travail/changelog"
entree=$(dpkg-parsechangelog -l "$travail/changelog" -S Version)
[ "$entree" = "$version" ] || echec "le changelog s'arrête à la version $entree, le paquet est la $version : ajoutez une entrée à distribution/changelog"
echo "$(wc -l <"$travail/contenu") fichiers, $(du -k "$deb" | cut -f1) Ko"

etape "lintian"
# Without -DBREVANDOUX_MAINTAINER the package names no one (root@localhost): lintian's tags
# about that address are expected then, and only then. Every other error or warning fails.
mainteneur_provisoire="Paquet local sans responsable <root@localhost>"
permis='^$'
if [ "$(dpkg-deb -f "$deb" Maintainer)" = "$mainteneur_provisoire" ]; then
  permis='^[EW]: brevandoux: (bogus-mail-host|bogus-mail-host-in-debian-changelog|root-in-contact) '
fi
# Run as root it says so on stderr; its tags come on stdout.
rapport=$(lintian --fail-on none "$deb" 2>/dev/null) || echec "lintian n'a pas pu examiner le paquet"
[ -z "$rapport" ] || echo "$rapport"
refus=$(grep -E '^[EW]: ' <<<"$rapport" | grep -Ev "$permis" || true)
[ -z "$refus" ] || echec "lintian refuse le paquet : $refus"
echo "lintian : aucune erreur ni avertissement $( [ "$permis" = '^$' ] || echo "hors ceux du responsable provisoire")"

# --- 3. run from the unpacked package ------------------------------------------------------
sans_ecran() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@"; }

# The program, its launcher and its converter, found in BIN, with the data they install in
# PARTAGE: what a user runs, wherever the package's tree was put.
verifier_programmes() {
  local bin=$1 partage=$2 sortie donnees depart
  sortie=$(sans_ecran "$bin/brevandoux" --version) || echec "$bin/brevandoux --version a échoué"
  [ "$sortie" = "brevandoux $version" ] || echec "$bin/brevandoux --version affiche « $sortie »"
  echo "$sortie"
  contient '^Usage : brevandoux' sans_ecran "$bin/brevandoux" --help || echec "$bin/brevandoux --help"

  donnees=$(mktemp -d "$travail/xdg.XXXXXX")
  sortie=$(sans_ecran env XDG_DATA_HOME="$donnees" "$bin/brevandoux-lanceur" --version) ||
    echec "le lanceur $bin/brevandoux-lanceur a échoué"
  [ "$sortie" = "brevandoux $version" ] || echec "le lanceur n'a pas lancé le programme : « $sortie »"
  depart="$donnees/brevandoux"
  for f in rien.jpg exemple.dat brevandoux.ini; do [ -f "$depart/$f" ] || echec "$depart/$f manque"; done
  [ -d "$depart/exemple.rep" ] || echec "$depart/exemple.rep manque"
  cmp -s "$depart/exemple.dat" "$partage/exemple/exemple.dat" || echec "base d'exemple différente"
  [ "$(cat "$depart/brevandoux.ini")" = "$(printf '[setup]\nautoload=%s' "$depart/exemple.dat")" ] ||
    echec "brevandoux.ini : $(cat "$depart/brevandoux.ini")"
  # The converter reads the prepared base: twenty cards and the header row.
  (cd "$depart" && "$bin/brevandoux-convertir" exemple.dat exemple.csv) || echec "$bin/brevandoux-convertir a échoué"
  [ "$(tr -cd '\n' <"$depart/exemple.csv" | wc -c)" -ge 21 ] || echec "exemple.csv incomplet"
  # A second run replaces nothing of the user's.
  printf '[setup]\nautoload=\n' >"$depart/brevandoux.ini"
  rm "$depart/exemple.dat"
  sans_ecran env XDG_DATA_HOME="$donnees" "$bin/brevandoux-lanceur" --version >/dev/null
  [ "$(cat "$depart/brevandoux.ini")" = "$(printf '[setup]\nautoload=')" ] || echec "le lanceur a remplacé brevandoux.ini"
  [ ! -e "$depart/exemple.dat" ] || echec "le lanceur a remis la base d'exemple supprimée"
  echo "dossier de départ préparé : $(cd "$depart" && ls | tr '\n' ' ')"
}

etape "le paquet décompressé, lancé depuis $racine_paquet"
# The program and the launcher find their data beside them (../share/brevandoux), so the
# unpacked tree runs as the installed one does, without touching the machine.
verifier_programmes "$racine_paquet/usr/bin" "$racine_paquet/usr/share/brevandoux"
# No path of this machine's source or build folders in what the package installs.
while IFS= read -r f; do
  # Qt's string literals are UTF-16: both encodings are searched.
  trouves=$({ strings -a "$f"; strings -a -el "$f"; } | grep -F -e "$racine" -e "$construction" || true)
  [ -z "$trouves" ] || echec "$f contient un chemin de construction : $(head -3 <<<"$trouves")"
done < <(find "$racine_paquet" -type f)
# Built with hardening: full RELRO, immediate binding, position-independent.
for programme in usr/bin/brevandoux usr/bin/brevandoux-convertir usr/libexec/brevandoux/brevandoux-image; do
  p="$racine_paquet/$programme"
  contient GNU_RELRO readelf -lW "$p" || echec "$programme : pas de RELRO"
  contient 'BIND_NOW\|FLAGS.*NOW' readelf -dW "$p" || echec "$programme : pas de liaison immédiate"
  contient 'Type:.*DYN' readelf -hW "$p" || echec "$programme : pas de PIE"
  contient '__stack_chk_fail' readelf -sW --dyn-syms "$p" || echec "$programme : pas de protection de pile"
done
contient '_chk@' readelf -sW --dyn-syms "$racine_paquet/usr/bin/brevandoux" || echec "pas de _FORTIFY_SOURCE"

# --- 4. installed for real, then removed -------------------------------------------------
etape "installation réelle"
# Any state dpkg knows besides "not-installed" (installed, half-installed, removed with its
# configuration left) belongs to the user; so does a file at one of the package's paths
# (a "cmake --install --prefix /usr", say).
etat=$(dpkg-query -W -f='${db:Status-Status}' brevandoux 2>/dev/null || true)
deja=""
if [ -n "$etat" ] && [ "$etat" != not-installed ]; then
  deja="un paquet brevandoux est déjà sur cette machine ($(dpkg-query -W -f='${Version}, ${db:Status-Status}' brevandoux))"
else
  while IFS= read -r f; do
    if [ -e "$f" ] || [ -L "$f" ]; then deja="$f existe déjà hors de tout paquet"; break; fi
  done <"$travail/contenu"
fi
if [ -n "$deja" ]; then
  echo "IGNORÉ : installation réelle du paquet : $deja, et ce test ne remplace ni ne retire l'installation de l'utilisateur (le paquet a été vérifié décompressé ci-dessus)."
  [ "$(etat_utilisateur)" = "$etat_depart" ] ||
    echec "l'installation de l'utilisateur a changé : « $etat_depart » puis « $(etat_utilisateur) »"
  echo "paquet.sh : bon (paquet vérifié décompressé ; installation réelle IGNORÉE)"
  exit 0
fi

retirer() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 brevandoux </dev/null >/dev/null 2>&1 || true
}
# Whatever stops the script from here, the package it installed goes.
trap 'retirer; rm -rf "$travail"' EXIT
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" </dev/null
installes=$(dpkg -L brevandoux)
[ "$(command -v brevandoux)" = /usr/bin/brevandoux ] || echec "brevandoux n'est pas /usr/bin/brevandoux"
verifier_programmes /usr/bin /usr/share/brevandoux
if command -v man >/dev/null; then
  page=$(LC_ALL=C.UTF-8 LANGUAGE= man -w brevandoux) || echec "man brevandoux ne trouve pas la page"
  [ "$page" = /usr/share/man/man1/brevandoux.1.gz ] || echec "man brevandoux ouvre $page"
fi

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
