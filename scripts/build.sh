#!/bin/sh
# Configures and builds ZOLT in build/ (or $ZOLT_BUILD_DIR) with CMake and Ninja.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZOLT_BUILD_DIR:-$ROOT/build}
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE="${ZOLT_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
