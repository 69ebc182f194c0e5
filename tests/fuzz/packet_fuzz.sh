#!/usr/bin/env bash
# Builds the libFuzzer target for the packet parsers with clang and runs it
# for a bounded time. Any crash, sanitizer report or failed check fails.
set -euo pipefail
source_dir=$1
work_dir=$2
seconds=${3:-20}
mkdir -p "$work_dir/corpus"

sources=()
for f in "$source_dir"/protocol/*.cpp; do
  [[ $f == *_test.cpp ]] || sources+=("$f")
done
sources+=("$source_dir/platform/text.cpp" "$source_dir/protocol/fuzz/packet_fuzz.cpp")

clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$source_dir" "${sources[@]}" -o "$work_dir/packet_fuzz"

cd "$work_dir"
./packet_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=12000 -print_final_stats=1 corpus
