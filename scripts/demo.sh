#!/bin/sh
# Installs what building and running ZOLT need (not the test tools), builds the program and its
# tools in build-demo/ (optimised, no debug information, no tests), makes the demo test data set
# and writes its reports in both formats. With a display, it then opens the main window.
# ZOLT_DEMO_BUILD_DIR sets another build directory.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/install-deps.sh"
BUILD=${ZOLT_DEMO_BUILD_DIR:-$ROOT/build-demo}
# A tree of its own: switching the tests off and on in build/ would make each command rebuild
# what the other built.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLT_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target zolt zolt-report zolt-demo-data
DEMO=$ROOT/out/demo
NAME="110kV城南变电站局放检测"
rm -rf "$DEMO"
mkdir -p "$DEMO/reports"
"$BUILD/tools/zolt-demo-data" "$DEMO" --name "$NAME" --records 12 --seed 7
for method in us tev hfct; do
    "$BUILD/tools/zolt-report" --data "$DEMO/$NAME" --method $method --out "$DEMO/reports/demo-$method.docx" \
        --inspector 张工 --place "110kV城南变电站" --instrument 局放巡检仪 --model ZOLT-PD3 \
        --equip-name "1号主变" --equip-type 变压器 --temperature "26℃" --humidity "55%" --date 2026-12-09
    "$BUILD/tools/zolt-report" --data "$DEMO/$NAME" --method $method --out "$DEMO/reports/demo-$method.doc" \
        --inspector 张工 --place "110kV城南变电站" --instrument 局放巡检仪 --model ZOLT-PD3 \
        --equip-name "1号主变" --equip-type 变压器 --temperature "26℃" --humidity "55%" --date 2026-12-09
done
# The same TEV records in the shipped example of a utility's own report form.
"$BUILD/tools/zolt-report" --data "$DEMO/$NAME" --method tev --out "$DEMO/reports/demo-tev-utility.docx" \
    --template "$ROOT/res/templates/example-utility.docx" \
    --inspector 张工 --place "110kV城南变电站" --instrument 局放巡检仪 --model ZOLT-PD3 \
    --equip-name "1号主变" --equip-type 变压器 --temperature "26℃" --humidity "55%" --date 2026-12-09
echo "Demo data set: $DEMO/$NAME"
echo "Demo reports:"
ls -1 "$DEMO/reports" | sed "s|^|  $DEMO/reports/|"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening ZOLT; choose $DEMO/$NAME with 打开文件夹."
    cd "$DEMO" && exec "$BUILD/src/app/zolt"
else
    echo "No display: not opening the window."
fi
