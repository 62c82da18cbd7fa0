#!/bin/sh
# Builds what ZOLT needs on Windows from Debian's source packages with MinGW-w64, once, into a
# cache folder outside the repository:
#   Qt base 6.4.2 (Core, Gui, Widgets, Test; the windows, offscreen and minimal platform plugins,
#   the Vista style, the gif, ico and jpeg image plugins; its own zlib, libpng, libjpeg, freetype,
#   harfbuzz, pcre2 built in), SQLite 3.40.1 and libzip 1.7.3 (with Debian's MinGW-w64 zlib).
# Prints the cache folder's path as its last line. A cache that holds the marker file .complete is
# used as it is and nothing is built; one without it (an earlier run failed or was stopped) is
# removed and built again. Sources and build trees are kept in windows-deps-work beside the cache, so
# that a run after a failure goes on where the last one stopped.
#   ZOLT_WINDOWS_CACHE  the cache root (default: ${XDG_CACHE_HOME:-$HOME/.cache}/zolt)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
QT_VERSION=6.4.2
SQLITE_VERSION=3.40.1
LIBZIP_VERSION=1.7.3
CACHE_ROOT=${ZOLT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zolt}
PREFIX=$CACHE_ROOT/windows-deps-qt$QT_VERSION-sqlite$SQLITE_VERSION-libzip$LIBZIP_VERSION
WORK=$CACHE_ROOT/windows-deps-work
JOBS=$(nproc)
TRIPLET=x86_64-w64-mingw32

if [ -f "$PREFIX/.complete" ]; then
    echo "$PREFIX"
    exit 0
fi

STEP="start"
LOG=""
on_exit() {
    status=$?
    if [ "$status" != 0 ]; then
        echo "build-windows-deps: step \"$STEP\" failed (exit $status)" >&2
        if [ -n "$LOG" ] && [ -f "$LOG" ]; then
            echo "---- last lines of $LOG" >&2
            tail -n 40 "$LOG" >&2
        fi
    fi
}
trap on_exit EXIT
step() { # name, log file name
    STEP=$1
    LOG=$WORK/$2.log
    echo "==== $STEP (log: $LOG)"
}

# ---- Tools: the cross compiler, the host's Qt tools (moc, rcc, uic) and the source fetcher ----
step "install the build tools" install
mkdir -p "$WORK"
"$ROOT/scripts/install-deps.sh" --windows >"$LOG" 2>&1

# ---- Sources, through a private apt list of source packages; the machine's apt setup is untouched ----
step "fetch the source packages" fetch
APT_DIR=$WORK/apt
mkdir -p "$APT_DIR/lists/partial" "$APT_DIR/sources.list.d" "$WORK/src"
cat >"$APT_DIR/sources.list" <<EOF
deb-src http://deb.debian.org/debian bookworm main
deb-src http://deb.debian.org/debian bookworm-updates main
deb-src http://deb.debian.org/debian-security bookworm-security main
EOF
APT_OPTS="-o Dir::Etc::SourceList=$APT_DIR/sources.list -o Dir::Etc::SourceParts=$APT_DIR/sources.list.d"
APT_OPTS="$APT_OPTS -o Dir::State::Lists=$APT_DIR/lists -o APT::Sandbox::User=root"
fetch() { # source package, upstream version: extracted once into $WORK/src/<package>-<version>*
    if ! ls -d "$WORK/src/$1-$2"* >/dev/null 2>&1; then
        # shellcheck disable=SC2086
        (cd "$WORK/src" && apt-get $APT_OPTS source -q "$1") >>"$LOG" 2>&1
    fi
    dir=$(ls -d "$WORK/src/$1-$2"* 2>/dev/null | head -n 1)
    [ -n "$dir" ] && [ -d "$dir" ] || {
        echo "source package $1 $2 not found (Debian now has: $(ls "$WORK/src" | tr '\n' ' '))" >>"$LOG"
        return 1
    }
    echo "$dir"
}
# shellcheck disable=SC2086
apt-get $APT_OPTS update -q >"$LOG" 2>&1
QT_SRC=$(fetch qt6-base "$QT_VERSION")
SQLITE_SRC=$(fetch sqlite3 "$SQLITE_VERSION")
LIBZIP_SRC=$(fetch libzip "$LIBZIP_VERSION")

# The prefix is made anew: what an interrupted run installed is not trusted.
rm -rf "$PREFIX"
mkdir -p "$PREFIX/share/zolt" "$PREFIX/bin" "$PREFIX/lib" "$PREFIX/include"
TOOLCHAIN=$PREFIX/share/zolt/MinGW-w64-x86_64.cmake
cp "$ROOT/cmake/MinGW-w64-x86_64.cmake" "$TOOLCHAIN"

# ---- Qt base ----
step "configure Qt $QT_VERSION" qt-configure
# Qt 6.4.2 builds its DirectWrite font database only with Direct2D, which is left out here, but the
# windows platform plugin uses it whenever DirectWrite 3 is there, and then does not link. The
# plugin is made to ask for both (it then uses the GDI font database, Qt's default on Windows).
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$QT_SRC/src/plugins/platforms/windows/qwindowsintegration.cpp"
# tabletevent: Debian's source leaves out the Wintab header. OpenGL stays on: the windows platform
# plugin of 6.4.2 does not compile without it.
cmake -S "$QT_SRC" -B "$WORK/qt-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DZOLT_WINDOWS_DEPS="$PREFIX" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_textmarkdownreader=OFF \
    >"$LOG" 2>&1
step "build Qt $QT_VERSION (about 40 min of processor time)" qt-build
cmake --build "$WORK/qt-build" -j "$JOBS" >"$LOG" 2>&1
step "install Qt $QT_VERSION" qt-install
cmake --install "$WORK/qt-build" >"$LOG" 2>&1
# Qt's Chinese texts of the standard buttons: the same file as on Linux (translations are not code).
mkdir -p "$PREFIX/translations"
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$PREFIX/translations/"

# ---- SQLite: the amalgamation made from the full source, built as a DLL ----
step "build SQLite $SQLITE_VERSION" sqlite
rm -rf "$WORK/sqlite-build"
mkdir -p "$WORK/sqlite-build"
(
    cd "$WORK/sqlite-build"
    "$SQLITE_SRC/configure" --disable-tcl --disable-readline >"$LOG" 2>&1
    make sqlite3.c >>"$LOG" 2>&1
    # The same compile-time options as Debian's own build where they matter to ZOLT.
    $TRIPLET-gcc-posix -O2 -shared -o libsqlite3-0.dll sqlite3.c \
        -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_JSON1 \
        -DSQLITE_THREADSAFE=1 -DSQLITE_API=__declspec\(dllexport\) \
        -Wl,--out-implib,libsqlite3.dll.a >>"$LOG" 2>&1
    cp libsqlite3-0.dll "$PREFIX/bin/"
    cp libsqlite3.dll.a "$PREFIX/lib/"
    cp sqlite3.h sqlite3ext.h "$PREFIX/include/"
)

# ---- zlib (Debian's MinGW-w64 build) and libzip ----
step "build libzip $LIBZIP_VERSION" libzip
cp /usr/$TRIPLET/lib/zlib1.dll "$PREFIX/bin/"
cmake -S "$LIBZIP_SRC" -B "$WORK/libzip-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DZOLT_WINDOWS_DEPS="$PREFIX" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=ON \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
    -DZLIB_INCLUDE_DIR=/usr/$TRIPLET/include -DZLIB_LIBRARY=/usr/$TRIPLET/lib/libz.dll.a \
    >"$LOG" 2>&1
cmake --build "$WORK/libzip-build" -j "$JOBS" >>"$LOG" 2>&1
cmake --install "$WORK/libzip-build" >>"$LOG" 2>&1

step "check the cache" check
for f in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Test.dll plugins/platforms/qwindows.dll \
    plugins/platforms/qoffscreen.dll plugins/imageformats/qjpeg.dll bin/libsqlite3-0.dll bin/libzip.dll \
    bin/zlib1.dll lib/pkgconfig/libzip.pc translations/qtbase_zh_CN.qm; do
    [ -f "$PREFIX/$f" ] || {
        echo "missing after the build: $PREFIX/$f" | tee "$LOG" >&2
        exit 1
    }
done
echo "qt6-base $QT_VERSION, sqlite3 $SQLITE_VERSION, libzip $LIBZIP_VERSION, built $(date -u +%Y-%m-%dT%H:%MZ)" \
    >"$PREFIX/.complete"
STEP="done"
echo "$PREFIX"
