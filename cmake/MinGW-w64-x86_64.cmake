# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model: GCC 12's win32
# model lacks std::thread). Used for ZOLT itself and for the Windows dependencies that
# scripts/build-windows-deps.sh builds.
#   ZOLT_WINDOWS_DEPS  the prefix of those dependencies (Qt, SQLite, libzip), searched for libraries,
#                      headers, packages and pkg-config files; the MinGW sysroot comes after it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZOLT_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZOLT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOLT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOLT_MINGW_TRIPLET}-windres)

# The toolchain file is read again in try_compile projects: pass the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZOLT_WINDOWS_DEPS)
if(NOT ZOLT_WINDOWS_DEPS AND DEFINED ENV{ZOLT_WINDOWS_DEPS})
    set(ZOLT_WINDOWS_DEPS $ENV{ZOLT_WINDOWS_DEPS})
endif()

set(CMAKE_FIND_ROOT_PATH ${ZOLT_WINDOWS_DEPS} /usr/${ZOLT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# BOTH: Qt's cross build also finds the host's Qt tools (QT_HOST_PATH) by package.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config sees only the Windows prefix, never the host's .pc files.
if(ZOLT_WINDOWS_DEPS)
    set(ENV{PKG_CONFIG_LIBDIR} ${ZOLT_WINDOWS_DEPS}/lib/pkgconfig)
    set(ENV{PKG_CONFIG_PATH} "")
    set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
