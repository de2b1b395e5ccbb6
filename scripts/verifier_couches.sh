#!/usr/bin/env bash
# Checks the layers by the includes of the sources: core/ includes no Qt and nothing of the
# folders above it; ui/ (the view) includes nothing of the controllers (bases/, print/,
# echange/) nor app/; no controller includes another; the printed pages and the exports (Qt
# Gui alone, linked by the converter) include no widget, nothing of ui/ and of platform/ only
# the printer and the pictures. The linker checks the calls: each library links only what it
# may see. Prints each offending line and exits with 1 when there is one.
set -euo pipefail
racine="${1:-$(dirname "$0")/..}"
cd "$racine"

fautes=0
signaler() {  # $1: folder or files, $2: extended regex of forbidden includes, $3: why
    local lignes
    # shellcheck disable=SC2086
    lignes=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($2)" $1 || true)
    if [ -n "$lignes" ]; then
        echo "$3 :" >&2
        echo "$lignes" >&2
        fautes=1
    fi
}

for dossier in core ui bases print echange; do
    if [ ! -d "$dossier" ]; then
        echo "dossier $dossier introuvable dans $(pwd)" >&2
        exit 1
    fi
done

# Qt headers: the Q-named class headers and the module folders (QtCore/..., QtWidgets/...).
signaler core 'Q[A-Za-z]*(>|/)|Qt[A-Za-z]*/' "core/ inclut Qt"
signaler core '(platform|ui|bases|list|print|echange|convertir|app)/' "core/ inclut une couche au-dessus de lui"
signaler ui '(bases|print|echange|app)/' "ui/ inclut bases/, print/, echange/ ou app/"
signaler bases '(print|echange|app)/' "bases/ inclut un autre contrôleur ou app/"
signaler print '(bases|echange|app)/' "print/ inclut un autre contrôleur ou app/"
signaler echange '(bases|app)/|print/(controleur|commandes|imprimer_fiches|pages_pdf)' "echange/ inclut un autre contrôleur ou app/"
# The pages and exports the converter links: Qt Gui at most.
gui="print/dessin_pages.* print/ecriture_pdf.* print/imprimante_pdf.* print/liste_imprimee.* echange/export_*"
signaler "$gui" 'Q(Widget|Application|ProgressDialog|Dialog|MessageBox|Printer|PrintDialog|PushButton|LineEdit)\b|QtWidgets/|QtPrintSupport/|ui/|platform/(plateforme|imprimante_qt|rapport_erreur|aide|application|fenetre_aide)' "les pages et les exportations incluent des widgets"

if [ "$fautes" -ne 0 ]; then
    exit 1
fi
echo "couches respectées : core/ sans Qt ni couche supérieure, ui/ sans contrôleurs, contrôleurs séparés, pages et exportations sans widgets"
