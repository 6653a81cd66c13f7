#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a while on a copy of its seed
# corpus (the seeds in the repository stay as they are). Fails when a target
# crashes or a check inside it fails; the crash input is left in the work
# folder and printed. Usage: scripts/fuzz-smoke.sh [seconds per target]
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
  echo "== $target, ${seconds}s"
  # Huge stored counts make the load walk that many keys; the targets skip
  # them, and inputs stay small enough that one run never takes seconds.
  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      build-fuzz/fuzz/"$target" "$work/$name/corpus" -dict=fuzz/reg.dict \
      -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$work/$name/artifacts/" -print_final_stats=1 \
      > "$work/$name/log" 2>&1; then
    tail -n 40 "$work/$name/log"
    echo "$target failed; inputs: $(ls "$work/$name/artifacts/")"
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$work/$name/log" || true
  fi
done
[ "$status" = 0 ] && rm -rf "$work"
exit "$status"
