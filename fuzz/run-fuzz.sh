#!/usr/bin/env bash
# Builds a fuzzer (the `fuzz` preset: clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for SECONDS (default 60) from its
# seed corpus:
#   song    the song loader, from fuzz/corpus
#   engine  the playing engine under MIDI input and user actions, from
#           fuzz/engine_corpus, after replaying every input in
#           fuzz/regressions once
# New inputs it finds go to build/fuzz/<target>-corpus, crashes to
# build/fuzz/<target>-crashes. Fails when the fuzzer finds a crash.
#   fuzz/run-fuzz.sh [song|engine] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-song}
seconds=${2:-60}
if [[ $target =~ ^[0-9]+$ ]]; then  # the old form: seconds for the song loader
    seconds=$target
    target=song
fi
case "$target" in
    song) fuzzer=smf_load_fuzzer; seeds=(fuzz/corpus); max_len=4096 ;;
    engine) fuzzer=engine_fuzzer; seeds=(fuzz/engine_corpus); max_len=8192 ;;
    *) echo "usage: $0 [song|engine] [SECONDS]" >&2; exit 2 ;;
esac

out=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$fuzzer"
mkdir -p "$out/$target-corpus" "$out/$target-crashes"
if [ "$target" = engine ]; then
    "$out/fuzz/$fuzzer" fuzz/regressions/*.bin
fi

"$out/fuzz/$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$out/$target-crashes/" "$out/$target-corpus" "${seeds[@]}"
