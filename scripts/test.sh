#!/bin/sh
# Installs what ZOLT needs, builds it and runs the whole test suite headless.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
BUILD=${ZOLT_BUILD_DIR:-$ROOT/build}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" --timeout 600
