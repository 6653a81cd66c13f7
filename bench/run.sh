#!/usr/bin/env bash
# Whole-process benchmark: for images of 100 to 100,000 accounts, the median
# wall time and the peak memory of one run of kestrum_addaccount adding an
# account, beside the floor (reading the image and replacing it atomically,
# nothing else), and the micro-benchmarks of the reader, writer, load and save.
# Every timed run starts from the same image, restored before it.
#
# Usage: bench/run.sh [--smoke]
#   --smoke  everything once, at 100 accounts only (a check that it all works)
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
[ "${1:-}" = "--smoke" ] && smoke=1

if ! command -v hyperfine > /dev/null || [ ! -x /usr/bin/time ]; then
  scripts/install-deps.sh > /tmp/kestrum-bench-deps.log 2>&1 || { cat /tmp/kestrum-bench-deps.log; exit 1; }
fi

cmake --preset bench > /dev/null
cmake --build --preset bench -j 2 > /dev/null

build=build-bench
tool=$PWD/$build/kestrum_addaccount
floor=$PWD/$build/bench/floor
make_image=$PWD/$build/bench/make_image
work=$PWD/$build/bench-run
mkdir -p "$work"
cd "$work"  # the run's working directory (it looks for marker files here)

account=(pop.bench.example bench s3cret 7 forward@bench.example 995 60 postmaster@bench.example 1 0 Bench)

if [ "$smoke" = 1 ]; then counts=(100); else counts=(100 1000 10000 100000); fi

runsFor() {
  if [ "$smoke" = 1 ]; then echo 1; return; fi
  case "$1" in
    100|1000) echo 20 ;;
    10000) echo 10 ;;
    *) echo 5 ;;
  esac
}

median() { jq -r '.results[0].median' "$1"; }
cpu() { jq -r '.results[0].user + .results[0].system' "$1"; }

# Peak resident memory (kB) of the largest of three runs of "$@", each from
# the restored image.
peakRss() {
  local image=$1 peak=0 kb
  shift
  for _ in 1 2 3; do
    cp "$image" work.reg
    kb=$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1)
    [ "$kb" -gt "$peak" ] && peak=$kb
    [ "$smoke" = 1 ] && break
  done
  echo "$peak"
}

rows=()
for n in "${counts[@]}"; do
  image=image-$n.reg
  # The images are deterministic; regenerate only when the generator changed.
  if [ ! -f "$image" ] || [ "$make_image" -nt "$image" ]; then "$make_image" "$n" "$image"; fi
  runs=$(runsFor "$n")
  warmup=1
  [ "$smoke" = 1 ] && warmup=0
  export KESTRUM_REGISTRY=$work/work.reg
  hyperfine -N --style none --warmup "$warmup" --runs "$runs" --prepare "cp $image work.reg" \
    --export-json "run-$n.json" "$tool ${account[*]}" > /dev/null
  hyperfine -N --style none --warmup "$warmup" --runs "$runs" --prepare "cp $image work.reg" \
    --export-json "floor-$n.json" "$floor work.reg" > /dev/null
  # One checked run: the account must really be added.
  cp "$image" work.reg
  "$tool" "${account[@]}" || { echo "run on $image failed with status $?" >&2; exit 1; }
  runRss=$(peakRss "$image" "$tool" "${account[@]}")
  floorRss=$(peakRss "$image" "$floor" work.reg)
  bytes=$(stat -c %s "$image")
  rows+=("$n $bytes $(median "run-$n.json") $(median "floor-$n.json") $runRss $floorRss $(cpu "run-$n.json")")
done

echo
# Wall times are medians; CPU is the run's mean user + system time. "above
# floor" is what a run costs beyond the floor, per account; "marginal" is
# the growth of the run time from the row above, per account added, which is
# what linear growth keeps constant (fixed costs drop out of it).
echo "| accounts | image MB | run ms | floor ms | run/floor | run CPU ms | µs/account | µs/account above floor | marginal µs/account | peak RSS MB | floor RSS MB | RSS/image |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
printf '%s\n' "${rows[@]}" | awk '{
  marginal = NR == 1 ? "" : sprintf("%.2f", ($3 - prevRun) * 1e6 / ($1 - prevN))
  printf "| %d | %.2f | %.1f | %.1f | %.2f | %.1f | %.2f | %.2f | %s | %.1f | %.1f | %.2f |\n",
    $1, $2 / 1e6, $3 * 1e3, $4 * 1e3, $3 / $4, $7 * 1e3, $3 * 1e6 / $1, ($3 - $4) * 1e6 / $1, marginal,
    $5 / 1024, $6 / 1024, $5 * 1024 / $2
  prevN = $1; prevRun = $3 }'

echo
if [ "$smoke" = 1 ]; then
  "$PWD/../bench/micro_bench" --accounts=100 --benchmark_min_time=0.001 > micro.txt
else
  "$PWD/../bench/micro_bench" --accounts=1000,10000,100000 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true > micro.txt
fi
cat micro.txt
