#!/bin/sh
# Installs everything ZOLT needs to build, run and test on Debian 12.
set -eu
PKGS="build-essential cmake ninja-build pkg-config git clang-format
qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n qt6-image-formats-plugins libgl-dev
libpng-dev libjpeg-dev
libsqlite3-dev sqlite3 libzip-dev zip unzip
fonts-noto-cjk xvfb xauth
libreoffice-writer-nogui poppler-utils libxml2-utils antiword wv python3-docx
clang libclang-rt-14-dev llvm libxml2-dev
file desktop-file-utils"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -q --no-install-recommends $missing
fi
