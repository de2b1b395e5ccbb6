#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds (default 20) from seed corpora made
# here, after replaying the inputs of past findings (fuzz/regressions/<target>-*).
# Longer runs: bash scripts/fuzz.sh 3600
set -euo pipefail
cd "$(dirname "$0")/.."
secondes=${1:-20}
CC=clang-14 CXX=clang++-14 BUILD_DIR=build-fuzz BUILD_TARGET=fuzz_tout bash scripts/build.sh -DBREVANDOUX_FUZZ=ON -DBUILD_TESTING=OFF
export QT_QPA_PLATFORM=offscreen
# The system libraries' own leaks, as in the sanitizer builds (tests/lsan.supp says which).
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
graines=build-fuzz/graines
bash fuzz/graines.sh "$graines"
mkdir -p build-fuzz/trouvailles
for cible in build-fuzz/fuzz/fuzz_*; do
  [ -f "$cible" ] && [ -x "$cible" ] || continue
  nom=$(basename "$cible")
  corpus=build-fuzz/corpus/$nom
  mkdir -p "$corpus"
  [ -d "$graines/$nom" ] && cp -n "$graines/$nom"/* "$corpus/" 2>/dev/null || true
  for r in fuzz/regressions/"${nom#fuzz_}"-*; do
    [ -e "$r" ] || continue
    "$cible" "$r" >/dev/null 2>&1 || { echo "régression de $nom : $r"; "$cible" "$r"; exit 1; }
  done
  echo "== $nom pendant $secondes s"
  set +e
  "$cible" -max_total_time="$secondes" -rss_limit_mb=3072 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/trouvailles/$nom-" "$corpus" >"build-fuzz/$nom.log" 2>&1
  rc=$?
  set -e
  grep -E 'stat::number_of_executed_units' "build-fuzz/$nom.log" || true
  if [ $rc -ne 0 ]; then
    echo "$nom a trouvé une faute :"; tail -60 "build-fuzz/$nom.log"; exit 1
  fi
done
