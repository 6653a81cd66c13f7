#!/usr/bin/env bash
# Builds and runs every test: the default build, the sanitizer build, the
# Windows leg under Wine (when its script is present) and the benchmark and
# fuzz smoke runs. Installs what it needs first. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== dependencies"
scripts/install-deps.sh --windows > /tmp/kestrum-install-deps.log 2>&1 || {
  cat /tmp/kestrum-install-deps.log; exit 1; }

echo "== default build and tests"
cmake --preset default > /dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

echo "== sanitizer build and tests"
cmake --preset asan > /dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs"

for leg in scripts/windows-leg.sh scripts/fuzz-smoke.sh scripts/bench-smoke.sh; do
  if [ -x "$leg" ]; then
    echo "== $leg"
    "$leg"
  fi
done
echo "== all tests passed"
