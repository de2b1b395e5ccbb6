#!/usr/bin/env bash
# The layer check against a copy of the sources with one fault put in at a time: each fault
# must make it fail and name the offending line, and each allowed include must leave it
# passing. Usage: verifier_couches_test.sh SOURCES
set -uo pipefail
sources=$(cd "${1:?dossier des sources}" && pwd)
copie=$(mktemp -d)
trap 'rm -rf "$copie"' EXIT

echecs=0
# $1: what the case is, $2: the file to add the line to, $3: the line, $4: 1 when the check
# must fail, 0 when it must pass; $5: a command run in the copy first (a new file or folder).
cas() {
    rm -rf "${copie:?}"/*
    local f
    for f in "$sources"/*/CMakeLists.txt; do cp -r "$(dirname "$f")" "$copie"/; done
    (cd "$copie" && eval "${5:-true}")
    printf '%s\n' "$3" >>"$copie/$2"
    local sortie code
    sortie=$(bash "$sources/scripts/verifier_couches.sh" "$copie" 2>&1)
    code=$?
    if [ "$code" -ne "$4" ] || { [ "$4" -eq 1 ] && ! grep -qF "$2:" <<<"$sortie"; }; then
        echo "ÉCHEC : $1 (code $code, attendu $4)"
        echo "$sortie"
        echecs=1
    else
        echo "ok : $1"
    fi
}

cas "core includes a Qt header" core/tri.cpp '#include <QString>' 1
cas "core includes a folder added later" core/tri.cpp '#include "historique/pile.h"' 1 \
    'mkdir historique && echo "add_library(historique STATIC pile.cpp pile.h)" >historique/CMakeLists.txt'
cas "ui includes the printed pages" ui/tform1.cpp '#include "print/liste_imprimee.h"' 1
cas "bases includes the printed pages" bases/controleur_base.cpp '#include "print/liste_imprimee.h"' 1
cas "print includes the exports" print/controleur_impression.cpp '#include "echange/export_pages.h"' 1
cas "echange includes the print controller" echange/controleur_echange.cpp '#include "print/pages_pdf.h"' 1
cas "echange includes the printed pages it links" echange/controleur_echange.cpp '#include "print/liste_imprimee.h"' 0
cas "the pages include the Qt printer" print/liste_imprimee.h '#include "platform/imprimante_qt.h"' 1
cas "the pages include the print controller" print/dessin_pages.cpp '#include "print/commandes_impression.h"' 1
cas "an export includes a widget" echange/export_html.cpp '#include <QApplication>' 1
cas "an export includes the pictures it links" echange/export_pdf.cpp '#include "platform/images.h"' 0
cas "a page file added later includes a dialog" print/page_ajoutee.cpp '#include <QProgressDialog>' 1 \
    'sed -i "s/^  liste_imprimee.cpp liste_imprimee.h$/&\n  page_ajoutee.cpp/" print/CMakeLists.txt'
exit "$echecs"
