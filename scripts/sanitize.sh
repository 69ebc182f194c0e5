#!/usr/bin/env bash
# Builds the whole tree with clang, AddressSanitizer, UndefinedBehaviorSanitizer
# and libFuzzer's coverage into ./build-asan (or $ZEMRA_SANITIZE_DIR) and runs
# every test there, the bounded fuzz runs included. Any sanitizer report fails
# its test.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${ZEMRA_SANITIZE_DIR:-build-asan}
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEMRA_SANITIZE=ON -DZEMRA_FUZZ=ON -DZEMRA_BUILD_BENCH=OFF
cmake --build "$build_dir" -j"$(nproc)"

# Reports also go to files, so that one from a program a test started (the
# server, a client under Xvfb) fails the run even when that test passed.
reports=$PWD/$build_dir/sanitizer-reports
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0:log_path=$reports/report
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$reports/report
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
status=0
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" --timeout 900 || status=$?
if compgen -G "$reports/*" >/dev/null; then
  echo "sanitizer reports:" >&2
  for f in "$reports"/*; do echo "== $f" >&2; head -60 "$f" >&2; done
  status=1
fi
exit $status
