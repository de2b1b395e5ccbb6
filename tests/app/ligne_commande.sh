#!/bin/sh
# --version and --help print and end without a display, and nothing else of the command line
# changed: without these options and without a display the program still needs one.
# Usage: ligne_commande.sh PROGRAMME VERSION
set -u
programme=$1
version=$2
echec=0
faute() { echo "ÉCHEC : $*" >&2; echec=1; }

# No display of any kind: the xcb platform aborts at once if the program reaches the toolkit.
sans_ecran() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@"; }

sortie=$(sans_ecran "$programme" --version 2>&1); rc=$?
[ "$rc" -eq 0 ] || faute "--version rend $rc"
[ "$sortie" = "brevandoux $version" ] || faute "--version affiche « $sortie »"

sortie=$(sans_ecran "$programme" --help 2>&1); rc=$?
[ "$rc" -eq 0 ] || faute "--help rend $rc"
for attendu in "Usage : brevandoux" "--version" "affiche cette aide et quitte" "brevandoux.ini"; do
  printf '%s' "$sortie" | grep -qF -- "$attendu" || faute "--help ne dit pas « $attendu »"
done
sortie2=$(sans_ecran "$programme" -h 2>&1)
[ "$sortie2" = "$sortie" ] || faute "-h ne donne pas le texte de --help"

# A text that cannot be written is a failure, not a silent success.
if [ -w /dev/full ]; then
  sans_ecran "$programme" --version >/dev/full 2>/dev/null && faute "--version vers un disque plein rend 0"
fi

# The control: the same environment does stop the program when it needs the display, so the
# checks above really ran without one.
sans_ecran timeout 20 "$programme" >/dev/null 2>&1 && faute "sans option et sans écran, le programme ne s'arrête pas en erreur"

[ "$echec" -eq 0 ] && echo "options --version et --help : bon"
exit "$echec"
