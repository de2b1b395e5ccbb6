#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR). Warnings stop the build here, as in CI,
# unless BREVANDOUX_WERROR=OFF; a packager building with plain CMake gets them as warnings.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DBREVANDOUX_WERROR=${BREVANDOUX_WERROR:-ON} "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target ${BUILD_TARGET:-all}
