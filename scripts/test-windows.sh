#!/bin/sh
# Runs the Windows build's tests under Wine and tries its installer there.
#   test-windows.sh BUILD_DIR SETUP_EXE
# 1. The build's Wine prefix (BUILD_DIR/wineprefix) is made once, with the Noto CJK fonts, since
#    Wine has no Chinese fonts of its own.
# 2. The test suite, headless (Qt's offscreen platform), each test through BUILD_DIR/wine-run.sh.
# 3. The installer in a prefix of its own: silent install, the installed zolt-report.exe run, the
#    Start-menu entry and the uninstall entry checked, silent uninstall, nothing of it left.
set -eu
[ $# = 2 ] || {
    echo "usage: $0 BUILD_DIR SETUP_EXE" >&2
    exit 2
}
BUILD=$(cd "$1" && pwd)
SETUP=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
JOBS=$(nproc)
RUN=$BUILD/wine-run.sh
[ -x "$RUN" ] || {
    echo "test-windows: $RUN is missing (is Wine installed? scripts/install-deps.sh --windows)" >&2
    exit 1
}

# A prefix with the fonts; wineboot makes it, and the wineserver's end says it is written.
prepare_prefix() { # prefix folder
    if [ ! -f "$1/system.reg" ]; then
        echo "==== making the Wine prefix $1"
        ZOLT_WINEPREFIX=$1 "$RUN" wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX=$1 wineserver -w
    fi
    fonts=$1/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for font in /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc \
        /usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc; do
        [ -f "$font" ] && [ ! -e "$fonts/$(basename "$font")" ] && cp "$font" "$fonts/"
    done
    [ -f "$1/system.reg" ] || {
        echo "test-windows: wineboot made no prefix in $1" >&2
        exit 1
    }
    # Wine passes no QT_ variable of the Linux environment on, but it does apply the user's
    # environment from the registry: the tests' platform (a test that needs the window system asks
    # for it with -platform windows) and Qt Test's log on stdout rather than the debugger.
    for setting in QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1; do
        ZOLT_WINEPREFIX=$1 "$RUN" reg add 'HKCU\Environment' /v "${setting%%=*}" /t REG_SZ /d "${setting#*=}" /f \
            >/dev/null 2>&1
    done
    WINEPREFIX=$1 wineserver -w
}

prepare_prefix "$BUILD/wineprefix"
echo "==== test suite under Wine"
# Wine's background programs (services, the desktop's explorer.exe) are started by the first program
# that needs them and keep its standard error open while the Wine server lives; a test that started
# them would keep ctest waiting until its timeout. Started here with no output, and kept alive through
# the suite; a run stopped part way ends that server, which would keep the next run waiting for it.
trap 'WINEPREFIX="$BUILD/wineprefix" wineserver -k 2>/dev/null || true' EXIT
trap 'exit 130' HUP INT TERM
WINEPREFIX=$BUILD/wineprefix wineserver -p </dev/null >/dev/null 2>&1
ZOLT_WINEPREFIX=$BUILD/wineprefix "$RUN" wineboot </dev/null >/dev/null 2>&1 || true
ZOLT_WINEPREFIX=$BUILD/wineprefix "$RUN" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
status=0
ctest --test-dir "$BUILD" --output-on-failure --no-tests=error -j "$JOBS" --timeout 900 || status=$?
WINEPREFIX=$BUILD/wineprefix wineserver -k 2>/dev/null || true
WINEPREFIX=$BUILD/wineprefix wineserver -w
trap - EXIT HUP INT TERM
[ "$status" = 0 ] || exit "$status"

# The window on Wine's own window system (the windows platform plugin) on a virtual display: the
# native-window test writes both formats and checks the system menu; then zolt.exe itself is started
# and must show its window.
echo "==== the window under Wine and Xvfb"
SHOTS=$BUILD/screenshots
mkdir -p "$SHOTS"
xvfb-run -a -s "-screen 0 1400x900x24" env ZOLT_SCREENSHOT_DIR="$SHOTS" \
    "$RUN" "$BUILD/bin/app_nativewindow.exe" -platform windows
xvfb-run -a -s "-screen 0 1400x900x24" sh -c '
    cd "$1" && "$2" "$1/bin/zolt.exe" -platform windows &
    i=0
    while [ $i -lt 60 ]; do
        xwininfo -root -tree 2>/dev/null | grep -q "\"ZOLT V2.0\"" && break
        sleep 1
        i=$((i + 1))
    done
    found=$i
    WINEPREFIX="$1/wineprefix" wineserver -k 2>/dev/null
    [ "$found" -lt 60 ]' sh "$BUILD" "$RUN" || {
    echo "test-windows: zolt.exe showed no window under Wine" >&2
    exit 1
}
echo "zolt.exe showed its window; screenshot: $SHOTS/main-window-wine.png"
WINEPREFIX=$BUILD/wineprefix wineserver -k 2>/dev/null || true

# The installer tried under Wine, in a prefix of its own.
echo "==== installer under Wine"
PREFIX=$BUILD/wineprefix-installer
rm -rf "$PREFIX"
prepare_prefix "$PREFIX"
export ZOLT_WINEPREFIX=$PREFIX
WINEPREFIX=$PREFIX
export WINEPREFIX
INSTALLED="$PREFIX/drive_c/Program Files/ZOLT"
fail() {
    echo "test-windows: $*" >&2
    wineserver -k 2>/dev/null || true
    exit 1
}
"$RUN" "$SETUP" /S || fail "the installer failed"
wineserver -w
for f in zolt.exe zolt-report.exe zolt-demo-data.exe Qt6Core.dll plugins/platforms/qwindows.dll \
    translations/qtbase_zh_CN.qm qt.conf Uninstall.exe; do
    [ -f "$INSTALLED/$f" ] || fail "not installed: $f"
done
version=$("$RUN" "C:\\Program Files\\ZOLT\\zolt-report.exe" --version | tr -d '\r')
echo "installed: $version"
case "$version" in zolt-report\ *) ;; *) fail "the installed zolt-report.exe did not run" ;; esac
data=$("$RUN" "C:\\Program Files\\ZOLT\\zolt-demo-data.exe" "C:\\users\\Public\\数据 集" --records 3 |
    tr -d '\r' | tail -n 1)
"$RUN" "C:\\Program Files\\ZOLT\\zolt-report.exe" --data "$data" --method us --out "C:\\users\\Public\\报告 1.docx" \
    >/dev/null || fail "the installed zolt-report.exe wrote no report"
[ -s "$PREFIX/drive_c/users/Public/报告 1.docx" ] || fail "the installed zolt-report.exe wrote no report"
shortcut=$(find "$PREFIX/drive_c" -name "ZOLT 局放检测报告.lnk" | head -n 1)
[ -n "$shortcut" ] || fail "no Start-menu entry"
# It starts ZOLT in the user's Documents\ZOLT, where ZOLT.DB3 can be written.
strings -e l "$shortcut" | grep -q '\\Documents\\ZOLT$' || fail "the Start-menu entry does not start in Documents\\ZOLT"
"$RUN" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZOLT 2.0.0' >/dev/null 2>&1 ||
    "$RUN" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | grep -q ZOLT ||
    fail "no entry in the list of installed programs"
"$RUN" "C:\\Program Files\\ZOLT\\Uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller copies itself away and goes on from there: wait for it.
wineserver -w
i=0
while [ -e "$INSTALLED" ] && [ $i -lt 30 ]; do
    sleep 1
    i=$((i + 1))
done
[ ! -e "$INSTALLED" ] || fail "left after uninstalling: $(find "$INSTALLED" | head -n 5 | tr '\n' ' ')"
[ -z "$(find "$PREFIX/drive_c" -name 'ZOLT 局放检测报告.lnk')" ] || fail "the Start-menu entry is left"
wineserver -k 2>/dev/null || true
rm -rf "$PREFIX"
echo "installer: installed, ran, uninstalled"
