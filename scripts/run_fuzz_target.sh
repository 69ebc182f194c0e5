#!/usr/bin/env bash
# Runs one libFuzzer program for a bounded time: scratch corpus first (new
# inputs go there), then the seeds kept in the tree, which are only read.
set -euo pipefail
target=$1 scratch=$2 seeds=$3 seconds=$4
mkdir -p "$scratch"
cd "$scratch/.."
exec "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
  -print_final_stats=1 "$scratch" "$seeds"
