#!/usr/bin/python3
"""Compiles every source of src/ and tools/ with MinGW-w64 (-fsyntax-only) against Qt's headers,
so that code that builds only on Linux is caught on Linux. It checks that the code compiles for
Windows; it neither links nor runs anything, and it is no substitute for an MSVC build.

Usage: check-mingw.py BUILD_DIR [SOURCE...]
BUILD_DIR is a tree configured with CMAKE_EXPORT_COMPILE_COMMANDS=ON; SOURCE (a path from the
repository's top, e.g. src/wordfile/PictureFile.cpp) limits the check to those files.
The compiler is $ZOLT_MINGW_CXX, else x86_64-w64-mingw32-g++-posix (the thread model Qt's
MinGW builds use; the win32 one lacks std::thread in GCC 12), else x86_64-w64-mingw32-g++.
Exit status 0 when every file compiles, 1 when one does not, 2 on a usage or set-up error.
"""

import concurrent.futures
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile

# Linux's own include folders: passing them would pull glibc's headers in place of MinGW's.
SYSTEM_DIRS = {"/usr/include", "/usr/local/include", "/usr/include/x86_64-linux-gnu"}
# Headers of the C libraries we use, found on Linux in /usr/include itself. They are portable C
# and are offered to MinGW through a folder of links, without the rest of /usr/include.
THIRD_PARTY_HEADERS = ["sqlite3.h", "zip.h", "zipconf.h"]
# What a Qt build for Windows defines in every file of a Qt program.
WINDOWS_DEFINES = ["-DUNICODE", "-D_UNICODE", "-DWIN32", "-DWIN64", "-DMINGW_HAS_SECURE_API=1"]


def find_compiler():
    wanted = os.environ.get("ZOLT_MINGW_CXX")
    names = [wanted] if wanted else ["x86_64-w64-mingw32-g++-posix", "x86_64-w64-mingw32-g++"]
    for name in names:
        path = shutil.which(name)
        if path:
            return path
    sys.exit("check-mingw: %s not found (Debian: apt-get install g++-mingw-w64-x86-64)" % " or ".join(names))


def mingw_flags(args, header_dir):
    """The entry's definitions, include folders and language standard, without Linux's own
    include folders and Qt's Linux mkspec (its qplatformdefs.h is for Linux)."""
    out = []
    i = 0
    while i < len(args):
        a = args[i]
        value = None
        for opt in ("-D", "-U", "-I", "-isystem", "-std="):
            if a == opt and opt != "-std=" and i + 1 < len(args):
                value, i = args[i + 1], i + 1
                break
            if a.startswith(opt) and len(a) > len(opt):
                value = a[len(opt):]
                break
        else:
            opt = None
        i += 1
        if opt is None:
            continue
        if opt in ("-D", "-U"):
            out.append(opt + value)
        elif opt == "-std=":
            out.append(a)
        else:
            d = os.path.normpath(value)
            if d in SYSTEM_DIRS or "/mkspecs/" in d:
                continue
            out += [opt, d]
    return out + ["-isystem", header_dir]


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    build = os.path.abspath(sys.argv[1])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    db = os.path.join(build, "compile_commands.json")
    if not os.path.isfile(db):
        print("check-mingw: %s is missing: configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" % db,
              file=sys.stderr)
        return 2
    only = {os.path.normpath(a) for a in sys.argv[2:]}
    cxx = find_compiler()
    with open(db, encoding="utf-8") as f:
        entries = json.load(f)

    jobs = {}
    for e in entries:
        path = os.path.normpath(os.path.join(e["directory"], e["file"]))
        rel = os.path.relpath(path, root)
        if not (rel.startswith("src" + os.sep) or rel.startswith("tools" + os.sep)):
            continue
        if not path.endswith(".cpp") or rel in jobs:
            continue
        if only and rel not in only:
            continue
        args = e["arguments"] if "arguments" in e else shlex.split(e["command"])
        jobs[rel] = (e["directory"], path, args)
    if not jobs:
        print("check-mingw: no source of src/ or tools/ in %s" % db, file=sys.stderr)
        return 2

    with tempfile.TemporaryDirectory(prefix="zolt-mingw-") as header_dir:
        for name in THIRD_PARTY_HEADERS:
            src = os.path.join("/usr/include", name)
            if not os.path.isfile(src):
                print("check-mingw: %s is missing (libsqlite3-dev, libzip-dev)" % src, file=sys.stderr)
                return 2
            os.symlink(src, os.path.join(header_dir, name))

        def check(rel):
            directory, path, args = jobs[rel]
            cmd = [cxx, "-fsyntax-only", "-Wall", "-Wextra"] + WINDOWS_DEFINES + \
                mingw_flags(args[1:], header_dir) + [path]
            r = subprocess.run(cmd, cwd=directory, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True, errors="replace")
            return rel, r.returncode, r.stdout, cmd

        failed = []
        warned = []
        workers = int(os.environ.get("ZOLT_MINGW_JOBS", os.cpu_count() or 1))
        print("check-mingw: %s, %d files" % (os.path.basename(cxx), len(jobs)), flush=True)
        with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
            for rel, rc, output, cmd in pool.map(check, sorted(jobs)):
                if rc != 0:
                    failed.append(rel)
                    print("FAILED  %s\n%s\n%s" % (rel, " ".join(shlex.quote(c) for c in cmd), output),
                          flush=True)
                elif output.strip():
                    warned.append(rel)
                    print("WARNING %s\n%s" % (rel, output), flush=True)
                else:
                    print("ok      %s" % rel, flush=True)

    print("check-mingw: %d files, %d failed, %d with warnings" % (len(jobs), len(failed), len(warned)))
    for rel in failed:
        print("  failed: %s" % rel)
    for rel in warned:
        print("  warnings: %s" % rel)
    # A warning that only MinGW sees is as much a fault as one the Linux build sees.
    return 1 if failed or warned else 0


if __name__ == "__main__":
    sys.exit(main())
