#!/usr/bin/env bash
# Builds the song loader fuzzer (the `fuzz` preset: clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for SECONDS
# (default 60) from the seed corpus. New inputs it finds go to
# build/fuzz/corpus, crashes to build/fuzz/crashes.
#   fuzz/run-fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
out=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target smf_load_fuzzer
mkdir -p "$out/corpus" "$out/crashes"

"$out/fuzz/smf_load_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/crashes/" "$out/corpus" fuzz/corpus
