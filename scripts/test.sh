#!/usr/bin/env bash
# Sets everything up, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build_dir=${ZEMRA_BUILD_DIR:-build}
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" --timeout 600
# The same suite again under the sanitizers, with the bounded fuzz runs.
scripts/sanitize.sh
