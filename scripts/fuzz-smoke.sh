#!/usr/bin/env bash
# Builds the fuzz targets, replays each one's seed corpus (a hard check: any
# failure there fails the script), then explores for a while on a copy of it
# (the seeds in the repository stay as they are). A finding of the
# exploration is printed with its input; it fails the script only with
# KESTRUM_FUZZ_STRICT=1, so that a new finding on one run does not block
# every other check; turn it into a seed or regression test and fix it.
# Usage: scripts/fuzz-smoke.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --fuzz > /tmp/kestrum-install-deps-fuzz.log 2>&1 || {
  cat /tmp/kestrum-install-deps-fuzz.log; exit 1; }
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j 2

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-fuzz.XXXXXX")
status=0
for target in reg_reader_fuzz load_save_fuzz; do
  name=${target%_fuzz}
  mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
  cp fuzz/corpus/"$name"/* "$work/$name/corpus/"
  echo "== $target, seed corpus"
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build-fuzz/fuzz/"$target" -runs=0 -max_len=8192 -timeout=20 fuzz/corpus/"$name" \
    > "$work/$name/replay.log" 2>&1 || { tail -n 40 "$work/$name/replay.log"; exit 1; }
  echo "== $target, ${seconds}s"
  # Huge stored counts make the load walk that many keys; the targets skip
  # them, and inputs stay small enough that one run never takes seconds.
  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      build-fuzz/fuzz/"$target" "$work/$name/corpus" -dict=fuzz/reg.dict \
      -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$work/$name/artifacts/" -print_final_stats=1 \
      > "$work/$name/log" 2>&1; then
    tail -n 40 "$work/$name/log"
    echo "FUZZ FINDING in $target; inputs (base64):"
    for input in "$work/$name/artifacts/"*; do
      [ -f "$input" ] && { echo "$input"; base64 -w 76 "$input"; }
    done
    [ "${KESTRUM_FUZZ_STRICT:-0}" = 1 ] && status=1
  else
    grep -E '^stat::number_of_executed_units' "$work/$name/log" || true
  fi
done
[ "$status" = 0 ] && rm -rf "$work"
exit "$status"
