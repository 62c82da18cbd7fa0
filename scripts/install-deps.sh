#!/bin/sh
# Installs what ZOLT needs on Debian 12 with apt-get (as root, or through sudo).
#   install-deps.sh         what building and running the program and its tools need
#   install-deps.sh --test  that and what the tests and reliability checks need as well
#   install-deps.sh --windows  what building and running need, and what the Windows build and its
#                   tests under Wine need
# Packages already installed are left alone; with nothing missing, apt is not called at all.
set -eu

# Building and running: compiler, CMake, Ninja, Qt 6, SQLite, libzip, fonts and Qt's translations.
RUN_PKGS="
g++
cmake
ninja-build
pkg-config
qt6-base-dev
qt6-base-dev-tools
qt6-qpa-plugins
qt6-translations-l10n
qt6-image-formats-plugins
libgl-dev
libsqlite3-dev
libzip-dev
fonts-noto-cjk
"

# Tests: document readers that check our reports (Calc opens the workbooks of their charts), a
# virtual display, Clang for the sanitizer and fuzz builds, MinGW-w64 for the Windows compile check,
# and the Debian packaging tools.
TEST_PKGS="
build-essential
git
clang-format
sqlite3
zip
unzip
xvfb
xauth
libreoffice-writer-nogui
libreoffice-calc-nogui
poppler-utils
libxml2-utils
antiword
wv
python3
python3-docx
clang
libclang-rt-14-dev
llvm
libxml2-dev
libpng-dev
libjpeg-dev
g++-mingw-w64-x86-64
file
desktop-file-utils
help2man
lintian
man-db
"

# Windows: the cross compiler and MinGW-w64's zlib, the source fetcher (dpkg-source), Tcl (SQLite's
# amalgamation is generated from its source), Wine and a virtual display for the tests, NSIS for
# the installer.
WINDOWS_PKGS="
g++-mingw-w64-x86-64
libz-mingw-w64-dev
dpkg-dev
make
perl
tcl
wine
wine64
xvfb
xauth
x11-utils
nsis
zip
unzip
"

case "${1:-}" in
"") PKGS=$RUN_PKGS ;;
--test) PKGS="$RUN_PKGS $TEST_PKGS $WINDOWS_PKGS" ;;
--windows) PKGS="$RUN_PKGS $WINDOWS_PKGS" ;;
*)
    echo "usage: $0 [--test|--windows]" >&2
    exit 2
    ;;
esac

missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "install-deps.sh: run as root or install sudo; missing:$missing" >&2
        exit 1
    }
    SUDO="sudo"
fi
echo "Installing:$missing"
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=600 $missing
