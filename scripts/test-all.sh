#!/usr/bin/env bash
# Configures, builds and tests every build: the Windows build (MinGW-w64,
# tests under Wine and Xvfb), the portable core natively under
# AddressSanitizer + UndefinedBehaviorSanitizer and under ThreadSanitizer,
# and last the fuzzers (clang, libFuzzer): the engine fuzzer replays every
# input in fuzz/regressions, then each fuzzer runs FUZZ_SECONDS (default
# 30) on its corpus. Fails on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native native-tsan windows fuzz)

run_windows_tests() {
    export WINEPREFIX="$PWD/build/windows/wineprefix"
    export WINEDEBUG=-all
    scripts/wine-prefix.sh "$WINEPREFIX"
    local status=0
    xvfb-run -a ctest --preset windows -j "$jobs" || status=$?
    # No Wine process may outlive the run and hold its output open.
    wineserver -k >/dev/null 2>&1 || true
    return $status
}

run_fuzzers() {
    local seconds=${FUZZ_SECONDS:-30}
    fuzz/run-fuzz.sh song "$seconds"
    fuzz/run-fuzz.sh engine "$seconds"
}

for build in "${builds[@]}"; do
    echo "=== $build: configure and build"
    cmake --preset "$build" >/dev/null
    cmake --build --preset "$build" -j "$jobs"
    echo "=== $build: test"
    case "$build" in
        windows) run_windows_tests ;;
        fuzz) run_fuzzers ;;
        *) ctest --preset "$build" -j "$jobs" ;;
    esac
done
