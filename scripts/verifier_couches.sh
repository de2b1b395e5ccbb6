#!/usr/bin/env bash
# Checks the layers by the includes of the sources: core/ includes no Qt and nothing of the
# other folders; ui/ (the view) includes nothing of the controllers (bases/, print/, echange/,
# planche/) nor app/; a controller includes nothing of app/ nor of another controller but what its own
# libraries link; the files of the libraries the converter links (Qt Gui alone) include no
# widget and no file of ours outside those libraries. What belongs to which library is read
# from the folders' CMakeLists.txt, so a new file or folder is checked as soon as CMake builds
# it. The linker checks the calls: each library links only what it may see. Prints each
# offending line and exits with 1 when there is one.
set -euo pipefail
racine="${1:-$(dirname "$0")/..}"
cd "$racine"

# The layers this script speaks of; everything else is found.
controleurs="bases print echange planche"
for dossier in core ui app $controleurs; do
    if [ ! -d "$dossier" ]; then
        echo "dossier $dossier introuvable dans $(pwd)" >&2
        exit 1
    fi
done
# Every folder of the project: those CMake builds from.
dossiers=$(for f in */CMakeLists.txt; do echo "${f%/CMakeLists.txt}"; done)

# The facts of the CMakeLists.txt, one a line: "source LIBRARY FILE" for the files of each
# library and "lien TARGET LIBRARY" for what each target links.
faits=$(for f in */CMakeLists.txt; do
    awk -v dossier="${f%/CMakeLists.txt}" '
        { sub(/#.*/, ""); instruction = instruction " " $0 }
        {
            ouvertes += gsub(/\(/, "(") - gsub(/\)/, ")")
            if (ouvertes > 0) next
            ouvertes = 0
            commande = instruction; sub(/\(.*/, "", commande); gsub(/[[:space:]]/, "", commande)
            arguments = instruction; sub(/^[^(]*\(/, "", arguments); sub(/\)[^)]*$/, "", arguments)
            instruction = ""
            n = split(arguments, mots, /[[:space:]]+/)
            cible = ""
            for (i = 1; i <= n; ++i) {
                if (mots[i] == "") continue
                if (cible == "") { cible = mots[i]; continue }
                if (mots[i] ~ /^(STATIC|SHARED|OBJECT|INTERFACE|PUBLIC|PRIVATE)$/) continue
                if (commande == "add_library" && mots[i] ~ /\./) {
                    fichier = mots[i]
                    if (!sub(/^\$\{CMAKE_SOURCE_DIR\}\//, "", fichier)) fichier = dossier "/" fichier
                    print "source", cible, fichier
                } else if (commande == "target_link_libraries") {
                    print "lien", cible, mots[i]
                }
            }
        }' "$f"
done)

# The files of the given libraries, without their extensions: a header goes with its source
# file (the folders list the headers of some libraries and not of others).
souches() {
    local bibliotheque
    for bibliotheque in "$@"; do
        awk -v b="$bibliotheque" '$1 == "source" && $2 == b { sub(/\.[^.\/]*$/, "", $3); print $3 }' <<<"$faits"
    done | sort -u
}
# Every library of ours.
bibliotheques() { awk '$1 == "source" { print $2 }' <<<"$faits" | sort -u; }
# The libraries of ours the given targets link, themselves included, followed link by link.
liees() {
    local vues=" $* " a_voir=("$@") cible lien
    while [ ${#a_voir[@]} -gt 0 ]; do
        cible=${a_voir[0]}
        a_voir=("${a_voir[@]:1}")
        while read -r lien; do
            if [[ $vues != *" $lien "* ]] && grep -q "^source $lien " <<<"$faits"; then
                vues+="$lien "
                a_voir+=("$lien")
            fi
        done < <(awk -v c="$cible" '$1 == "lien" && $2 == c { print $3 }' <<<"$faits")
    done
    echo "$vues"
}
# The libraries whose files live in a folder.
bibliotheques_de() {
    awk -v d="$1/" '$1 == "source" && index($3, d) == 1 { print $2 }' <<<"$faits" | sort -u
}
# An extended regex matching the given files under any extension ("^$" for none).
motif() {
    local chemins
    chemins=$(printf '%s\n' "$@" | grep -v '^$' | sed 's/[.[\*^$+?(){}|]/\\&/g' | paste -sd '|' -)
    if [ -z "$chemins" ]; then echo '^$'; else echo "($chemins)\.[A-Za-z]+"; fi
}

fautes=0
# $1: folders or files, $2: extended regex of forbidden includes, $3: regex of the paths
# allowed among them ("" for none), $4: why.
signaler() {
    local lignes
    # shellcheck disable=SC2086
    lignes=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($2)" $1 || true)
    if [ -n "$lignes" ] && [ -n "$3" ]; then
        lignes=$(grep -vE "#[[:space:]]*include[[:space:]]*[<\"]($3)[>\"]" <<<"$lignes" || true)
    fi
    if [ -n "$lignes" ]; then
        echo "$4 :" >&2
        echo "$lignes" >&2
        fautes=1
    fi
}
# The project's folders but those given, as the alternatives of a regex.
autres() {
    local exclus=" $* " d r=()
    for d in $dossiers; do [[ $exclus == *" $d "* ]] || r+=("$d"); done
    (IFS='|'; echo "${r[*]}")
}

# Qt headers: the Q-named class headers and the module folders (QtCore/..., QtWidgets/...).
signaler core 'Q[A-Za-z]*(>|/)|Qt[A-Za-z]*/' "" "core/ inclut Qt"
signaler core "($(autres core))/" "" "core/ inclut une couche au-dessus de lui"
signaler ui "(${controleurs// /|}|app)/" "" "ui/ inclut bases/, print/, echange/ ou app/"
for c in $controleurs; do
    interdits=app
    for autre in $controleurs; do [ "$autre" = "$c" ] || interdits+="|$autre"; done
    # shellcheck disable=SC2046
    signaler "$c" "($interdits)/" "$(motif $(souches $(liees $(bibliotheques_de "$c"))))" \
        "$c/ inclut un autre contrôleur ou app/"
done
# The pages and exports the converter links: Qt Gui at most, and nothing of ours the converter
# does not link (the files of the other libraries, the folders that hold none of its own).
read -ra convertisseur <<<"$(liees brevandoux-convertir)"
hors_gui=""
for d in $dossiers; do
    if [ -z "$(comm -12 <(bibliotheques_de "$d") <(printf '%s\n' "${convertisseur[@]}" | sort))" ]; then
        hors_gui+="${hors_gui:+|}$d"
    fi
done
gui=$(for s in $(souches "${convertisseur[@]}"); do ls "$s".h "$s".cpp 2>/dev/null || true; done | grep -v '^core/' | tr '\n' ' ')
if [ -z "$gui" ]; then
    echo "aucun fichier lié par brevandoux-convertir : CMakeLists.txt illisibles ?" >&2
    exit 1
fi
autres_bibliotheques=$(comm -23 <(bibliotheques) <(printf '%s\n' "${convertisseur[@]}" | sort))
# shellcheck disable=SC2046,SC2086
signaler "$gui" "Q(Widget|Application|ProgressDialog|Dialog|MessageBox|Printer|PrintDialog|PushButton|LineEdit)\b|QtWidgets/|QtPrintSupport/|($hors_gui)/|$(motif $(souches $autres_bibliotheques))" "" \
    "les pages et les exportations incluent des widgets ou ce que le convertisseur ne lie pas"

if [ "$fautes" -ne 0 ]; then
    exit 1
fi
echo "couches respectées : core/ sans Qt ni couche supérieure, ui/ sans contrôleurs, contrôleurs séparés, pages et exportations sans widgets"
