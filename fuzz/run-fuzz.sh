#!/usr/bin/env bash
# Builds the song loader fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build/fuzz and runs it for SECONDS
# (default 60) from the seed corpus. New inputs it finds go to
# build/fuzz/corpus, crashes to build/fuzz/crashes.
#   fuzz/run-fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus" "$out/crashes"

platform_sources=(midi/text_decoding_iconv.cpp)
sources=(
    midi/midi_data.cpp midi/midi_data_file.cpp midi/midi_data_texts.cpp midi/midi_data_time.cpp
    midi/smf_reader.cpp midi/text_decoding.cpp midi/midi_status.cpp tools/smf_summary.cpp
    "${platform_sources[@]}" fuzz/smf_load_fuzzer.cpp
)
clang++ -std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer \
    "${sources[@]}" -o "$out/smf_load_fuzzer"

"$out/smf_load_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/crashes/" "$out/corpus" fuzz/corpus
