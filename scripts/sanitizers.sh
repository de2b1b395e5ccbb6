#!/usr/bin/env bash
# The whole test suite built by clang with AddressSanitizer and UndefinedBehaviorSanitizer.
# Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
CC=clang-14 CXX=clang++-14 BUILD_DIR=build-asan BUILD_TYPE=Debug bash scripts/build.sh -DBREVANDOUX_SANITIZE=ON
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
(cd build-asan && ctest --output-on-failure -j"$(nproc)")
