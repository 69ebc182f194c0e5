#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job.
#
# For now the tree holds the platform layers and the client's local store;
# the reference server and the client program come next. Until then the main
# job exercises what exists: the local-store benchmark on a real database.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build_dir=${ZEMRA_BUILD_DIR:-build}
"$build_dir"/bin/store_bench
