#!/usr/bin/env bash
# Builds the benchmark preset and runs every benchmark once, on the smallest
# image: proves the benchmarks work, measures nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
exec bench/run.sh --smoke
