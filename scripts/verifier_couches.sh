#!/usr/bin/env bash
# Checks the layers by the includes of the sources: core/ includes no Qt and nothing of the
# folders above it, and ui/ includes nothing of bases/, list/ or print/. Prints each offending
# line and exits with 1 when there is one.
set -euo pipefail
racine="${1:-$(dirname "$0")/..}"
cd "$racine"

fautes=0
signaler() {  # $1: folder, $2: extended regex of forbidden includes, $3: why
    local lignes
    lignes=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($2)" "$1" || true)
    if [ -n "$lignes" ]; then
        echo "$3 :" >&2
        echo "$lignes" >&2
        fautes=1
    fi
}

for dossier in core ui; do
    if [ ! -d "$dossier" ]; then
        echo "dossier $dossier introuvable dans $(pwd)" >&2
        exit 1
    fi
done

# Qt headers: the Q-named class headers and the module folders (QtCore/..., QtWidgets/...).
signaler core 'Q[A-Za-z]*(>|/)|Qt[A-Za-z]*/' "core/ inclut Qt"
signaler core '(platform|ui|bases|list|print|app)/' "core/ inclut une couche au-dessus de lui"
signaler ui '(bases|list|print|app)/' "ui/ inclut bases/, list/, print/ ou app/"

if [ "$fautes" -ne 0 ]; then
    exit 1
fi
echo "couches respectées : core/ sans Qt ni couche supérieure, ui/ sans bases/, list/, print/"
