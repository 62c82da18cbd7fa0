#!/bin/sh
# Installs what ZOLT and its tests need, builds everything in build/ and runs the whole test suite
# headless.
#   test.sh         the build and the test suite
#   test.sh --all   then the reliability and portability stages as well:
#                   the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer, the
#                   tests of the code that runs threads under ThreadSanitizer, each fuzz target
#                   for a bounded time ($ZOLT_FUZZ_SECONDS, default 60), and Windows: the
#                   dependencies built once into a cache outside the repository, ZOLT cross-built
#                   with MinGW-w64, its test suite run under Wine and its installer tried there.
# The time of every stage is printed at the end.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ALL=0
case "${1:-}" in
"") ;;
--all) ALL=1 ;;
*)
    echo "usage: $0 [--all]" >&2
    exit 2
    ;;
esac

JOBS=$(nproc)
FUZZ_SECONDS=${ZOLT_FUZZ_SECONDS:-60}
SUMMARY=""
STAGE_NAME=""
T0=$(date +%s)
stage_start() {
    STAGE_NAME=$1
    STAGE_T0=$(date +%s)
    echo "==== $STAGE_NAME"
}
stage_end() {
    seconds=$(($(date +%s) - STAGE_T0))
    line=$(printf '%-44s %4d min %02d s' "$STAGE_NAME" $((seconds / 60)) $((seconds % 60)))
    SUMMARY="$SUMMARY$line
"
    echo "==== $line"
}
# The stage times are printed at the end, also when a stage fails.
print_summary() {
    status=$?
    seconds=$(($(date +%s) - T0))
    [ "$status" = 0 ] || echo "==== FAILED in stage: $STAGE_NAME"
    echo "==== Stages (load average now: $(cut -d' ' -f1-3 /proc/loadavg))"
    printf '%s' "$SUMMARY"
    printf '%-44s %4d min %02d s\n' "All" $((seconds / 60)) $((seconds % 60))
    [ "$ALL" = 1 ] || echo "(./scripts/test.sh --all adds the MinGW-w64, sanitizer, thread-checker and fuzz stages)"
    exit "$status"
}
trap print_summary EXIT
configure() { # build directory, then CMake options
    dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

stage_start "Install packages"
"$ROOT/scripts/install-deps.sh" --test
stage_end

# ---- The normal build and the whole suite ----
BUILD=${ZOLT_BUILD_DIR:-$ROOT/build}
stage_start "Build"
# The compile commands feed the MinGW stage.
ZOLT_BUILD_DIR=$BUILD "$ROOT/scripts/build.sh" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
stage_end
stage_start "Test suite"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure --no-tests=error -j "$JOBS" --timeout 600
stage_end

if [ "$ALL" = 1 ]; then
    # ---- AddressSanitizer + UndefinedBehaviorSanitizer: the whole suite ----
    ASAN_BUILD=$ROOT/build-asan
    stage_start "ASan+UBSan build"
    configure "$ASAN_BUILD" -DZOLT_SANITIZE=address,undefined
    cmake --build "$ASAN_BUILD" -j "$JOBS"
    stage_end
    stage_start "ASan+UBSan test suite"
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$ASAN_BUILD" --output-on-failure -j "$JOBS" --timeout 1200
    stage_end

    # ---- ThreadSanitizer: the tests of the code that runs threads ----
    TSAN_BUILD=$ROOT/build-tsan
    TSAN_TESTS="report_basethread app_reportjob reliability_closeloop doc_docpictureblocks doc_docwriter data_sqliteoper"
    stage_start "TSan build"
    configure "$TSAN_BUILD" -DZOLT_SANITIZE=thread
    # shellcheck disable=SC2086
    cmake --build "$TSAN_BUILD" -j "$JOBS" --target $TSAN_TESTS
    stage_end
    stage_start "TSan worker/report-job tests"
    # Without address-space randomisation: the tool's fixed memory layout then always fits.
    NORANDOM=""
    setarch "$(uname -m)" -R true 2>/dev/null && NORANDOM="setarch $(uname -m) -R"
    TSAN_OPTIONS="suppressions=$ROOT/tests/reliability/tsan-suppressions.txt:history_size=7:second_deadlock_stack=1" \
        $NORANDOM ctest --test-dir "$TSAN_BUILD" --output-on-failure -j "$JOBS" --timeout 1200 \
        -R "^($(echo "$TSAN_TESTS" | tr ' ' '|'))\$"
    stage_end

    # ---- libFuzzer targets (Clang), each for FUZZ_SECONDS over its seeds and regression inputs ----
    FUZZ_BUILD=$ROOT/build-fuzz
    stage_start "Fuzz build (Clang)"
    configure "$FUZZ_BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DZOLT_SANITIZE=address,undefined -DZOLT_FUZZ=ON -DZOLT_BUILD_TESTS=OFF
    cmake --build "$FUZZ_BUILD" -j "$JOBS" --target fuzz_wordtext fuzz_database fuzz_picture fuzz_template
    stage_end
    for target in wordtext database picture template; do
        stage_start "Fuzz $target (${FUZZ_SECONDS} s)"
        work=$FUZZ_BUILD/work/$target
        mkdir -p "$work"
        regressions=""
        [ -d "$ROOT/fuzz/regressions/$target" ] && regressions="$ROOT/fuzz/regressions/$target"
        # shellcheck disable=SC2086
        if ! "$FUZZ_BUILD/fuzz/fuzz_$target" -max_total_time="$FUZZ_SECONDS" -timeout=25 -rss_limit_mb=2560 \
            -print_final_stats=1 -artifact_prefix="$FUZZ_BUILD/work/$target-" \
            "$work" "$ROOT/fuzz/corpus/$target" $regressions >"$work.log" 2>&1; then
            tail -n 60 "$work.log"
            echo "fuzz_$target found a fault; its input is in $FUZZ_BUILD/work/ (keep it in fuzz/regressions/$target)"
            exit 1
        fi
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$work.log" || true
        stage_end
    done

    # ---- Windows: dependencies (cached), the cross-build, the suite and the installer under Wine ----
    stage_start "Windows dependencies (cache, or built)"
    "$ROOT/scripts/build-windows-deps.sh"
    stage_end
    stage_start "Windows build, installer and zip"
    "$ROOT/scripts/build-windows.sh"
    stage_end
    stage_start "Windows test suite and installer under Wine"
    "$ROOT/scripts/test-windows.sh" "$ROOT/build-windows" "$ROOT/out/windows/ZOLT-$(sed -n 's/^project(ZOLT VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")-win64-setup.exe"
    stage_end
fi
