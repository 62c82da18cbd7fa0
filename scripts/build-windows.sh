#!/bin/sh
# Cross-builds ZOLT for 64-bit Windows with MinGW-w64, against the Qt, SQLite and libzip that
# scripts/build-windows-deps.sh builds once into its cache (built first when the cache is not there).
#   build-windows.sh          zolt.exe, zolt-report.exe, zolt-demo-data.exe and the tests in
#                             build-windows/bin with every DLL and plugin they need, then the
#                             installer and the portable zip in out/windows/
#   build-windows.sh --test   that, then the test suite under Wine (headless, in the build's own
#                             Wine prefix) and the installer tried under Wine: silent install, the
#                             installed zolt-report.exe run, silent uninstall
#   ZOLT_WINDOWS_BUILD_DIR    the build folder (default build-windows/)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TEST=0
case "${1:-}" in
"") ;;
--test) TEST=1 ;;
*)
    echo "usage: $0 [--test]" >&2
    exit 2
    ;;
esac
BUILD=${ZOLT_WINDOWS_BUILD_DIR:-$ROOT/build-windows}
OUT=$ROOT/out/windows
JOBS=$(nproc)

DEPS=$("$ROOT/scripts/build-windows-deps.sh" | tail -n 1)
[ -f "$DEPS/.complete" ] || {
    echo "build-windows: no complete Windows dependencies in $DEPS" >&2
    exit 1
}

echo "==== configure ($BUILD, dependencies from $DEPS)"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLT_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/MinGW-w64-x86_64.cmake" -DZOLT_WINDOWS_DEPS="$DEPS" \
    -DCMAKE_PREFIX_PATH="$DEPS" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    >/dev/null
echo "==== build"
cmake --build "$BUILD" -j "$JOBS"

echo "==== installer and portable zip ($OUT)"
mkdir -p "$OUT"
(cd "$BUILD" && cpack --config CPackConfig.cmake -B "$OUT/cpack" >"$BUILD/cpack.log" 2>&1) || {
    tail -n 30 "$BUILD/cpack.log" >&2
    exit 1
}
VERSION=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")
mv -f "$OUT/cpack/ZOLT-$VERSION-win64-setup.exe" "$OUT/cpack/ZOLT-$VERSION-win64.zip" "$OUT/"
rm -rf "$OUT/cpack"
ls -l "$OUT/ZOLT-$VERSION-win64-setup.exe" "$OUT/ZOLT-$VERSION-win64.zip"

[ "$TEST" = 1 ] || exit 0
"$ROOT/scripts/test-windows.sh" "$BUILD" "$OUT/ZOLT-$VERSION-win64-setup.exe"
