#!/bin/sh
# Makes the README's screenshots under res/screenshots: the main window and the record preview
# drawn under Xvfb, and a page of a report converted by LibreOffice to PDF and by pdftoppm to PNG.
# Needs a build (scripts/build.sh) in build/ or $ZOLT_BUILD_DIR.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZOLT_BUILD_DIR:-$ROOT/build}
OUT=$ROOT/res/screenshots
# A fixed work folder, so that the path in the main window's picture is the same on every run.
WORK=${TMPDIR:-/tmp}/zolt-screenshots
rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
for tool in xvfb-run soffice pdftoppm; do
    command -v $tool >/dev/null || { echo "screenshots.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -x "$BUILD/tools/zolt-screenshot/zolt-screenshot" ] || cmake --build "$BUILD" --target zolt-screenshot zolt-report
mkdir -p "$OUT"

# The windows, with the real X11 platform plugin on a virtual screen.
DATA=$(env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$BUILD/tools/zolt-screenshot/zolt-screenshot" "$OUT" "$WORK" | tail -n 1)

# A report of the ticked records of the main-window picture, as LibreOffice shows it.
"$BUILD/tools/zolt-report" --data "$DATA" --method tev --rows 1,3,4,7,8 --out "$WORK/report.docx" \
    --inspector 张工 --place "110kV城南变电站" --instrument 局放巡检仪 --model ZOLT-PD3 \
    --equip-name "1号主变" --equip-type 变压器 --temperature "26℃" --humidity "55%" --date 2026-12-09
soffice -env:UserInstallation="file://$WORK/lo-profile" --headless --convert-to pdf --outdir "$WORK" \
    "$WORK/report.docx" >/dev/null 2>&1
for page in 1 2; do
    pdftoppm -png -r 60 -f $page -l $page -singlefile "$WORK/report.pdf" "$OUT/report-page-$page"
done

# The summary template's report of all twelve records: its first page holds the figures over the
# records and the chart of the background values.
"$BUILD/tools/zolt-report" --data "$DATA" --method tev --rows 1-12 --out "$WORK/summary.docx" \
    --template "$ROOT/res/templates/example-summary.docx" --number ZJ-2026-0007 \
    --inspector 张工 --place "110kV城南变电站" --date 2026-12-09
soffice -env:UserInstallation="file://$WORK/lo-profile" --headless --convert-to pdf --outdir "$WORK" \
    "$WORK/summary.docx" >/dev/null 2>&1
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$WORK/summary.pdf" "$OUT/report-summary"
ls -l "$OUT"
