#!/usr/bin/env bash
# The Windows leg: builds the 32-bit Windows program, runs the unit tests
# under Wine, then runs every end-to-end scenario of tests/e2e/scenarios twice
# on the same inputs, with the POSIX program on an image file and with the
# Windows program under Wine on the registry, and compares the two results
# value by value, with the exit statuses and what the runs printed.
#
# Where the kernel cannot start the 32-bit Wine loader, the Wine runs use the
# same sources built for 64-bit Windows (preset windows-x64); the 32-bit
# program is still built. Exits non-zero on any failure.
#
# A scenario folder holds: args (one parameter a line, UTF-8; absent or empty:
# no parameters), input.reg (optional, REGEDIT4 in the scenario's code page),
# files (optional, names of marker files for the working folder), codepage
# (optional, default 1252).
#
# With --e2e-only the builds and unit tests are taken as done.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${KESTRUM_JOBS:-2}
e2e_only=0
[ "${1:-}" = "--e2e-only" ] && e2e_only=1

scripts/install-deps.sh --windows > /tmp/kestrum-windows-deps.log 2>&1 || {
  cat /tmp/kestrum-windows-deps.log; exit 1; }

build() {
  cmake --preset "$1" > /dev/null
  cmake --build --preset "$1" -j "$jobs"
}

if [ "$e2e_only" = 0 ]; then
  echo "== windows: 32-bit build"
  build windows
fi
if /usr/lib/wine/wine --version > /dev/null 2>&1; then
  wine_preset=windows
  wine_loader=/usr/lib/wine/wine
  view=32
else
  echo "== windows: this kernel cannot start 32-bit programs; Wine runs use the 64-bit build"
  wine_preset=windows-x64
  wine_loader=/usr/lib/wine/wine64
  view=64
  [ "$e2e_only" = 1 ] || build windows-x64
fi
if [ "$e2e_only" = 0 ]; then
  echo "== windows: unit tests under Wine ($wine_preset)"
  ctest --preset "$wine_preset" -j "$jobs"
fi

echo "== windows: end-to-end comparison with the POSIX program"
if [ "$e2e_only" = 0 ]; then
  cmake --preset default > /dev/null
  cmake --build --preset default -j "$jobs" --target kestrum_addaccount
fi
posix_program=$root/build/kestrum_addaccount
wine_program=$root/build-$wine_preset/kestrum_addaccount.exe
[ "$wine_preset" = windows ] && wine_program=$root/build-windows/kestrum_addaccount.exe

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-windows-leg.XXXXXX")
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER=$wine_loader
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
"$wine_loader" wineboot --init > /dev/null 2>&1
trees=("Kestrum" "Kestrum PRO" "Kestrum OLD BACKUP" "Kestrum PRO OLD BACKUP")

locale_for() {
  case "$1" in
    1252) echo C.UTF-8 ;;
    932) echo ja_JP.UTF-8 ;;
    *) echo "windows-leg: no locale for code page $1" >&2; return 1 ;;
  esac
}

wine_reg() { LANG=$lang LC_ALL=$lang "$wine_loader" reg "$@"; }

failures=0
for scenario in tests/e2e/scenarios/*/; do
  name=$(basename "$scenario")
  codepage=1252
  [ -f "$scenario/codepage" ] && codepage=$(tr -d ' \r\n' < "$scenario/codepage")
  lang=$(locale_for "$codepage")
  args=()
  [ -f "$scenario/args" ] && mapfile -t args < "$scenario/args"
  posix_args=()
  for arg in ${args[@]+"${args[@]}"}; do posix_args+=("$(printf '%s' "$arg" | iconv -f UTF-8 -t "CP$codepage")"); done
  dir=$work/$name
  mkdir -p "$dir/posix-cwd" "$dir/wine-cwd"
  if [ -f "$scenario/files" ]; then
    while IFS= read -r marker; do
      [ -n "$marker" ] && touch "$dir/posix-cwd/$marker" "$dir/wine-cwd/$marker"
    done < "$scenario/files"
  fi

  # POSIX program on an image file.
  [ -f "$scenario/input.reg" ] && cp "$scenario/input.reg" "$dir/posix.reg"
  set +e
  (cd "$dir/posix-cwd" && KESTRUM_REGISTRY=$dir/posix.reg KESTRUM_CODEPAGE=$codepage \
    "$posix_program" ${posix_args[@]+"${posix_args[@]}"} > "$dir/posix.out" 2> "$dir/posix.err")
  posix_status=$?
  set -e

  # Windows program under Wine on the registry.
  for tree in "${trees[@]}"; do wine_reg delete "HKLM\\SOFTWARE\\$tree" /f "/reg:$view" > /dev/null 2>&1 || true; done
  if [ -f "$scenario/input.reg" ]; then
    wine_reg import "$root/$scenario/input.reg" "/reg:$view" > /dev/null 2>&1
  fi
  set +e
  (cd "$dir/wine-cwd" && LANG=$lang LC_ALL=$lang "$wine_loader" "$wine_program" ${args[@]+"${args[@]}"} \
    > "$dir/wine.out" 2> "$dir/wine.err")
  wine_status=$?
  set -e
  exports=()
  for i in "${!trees[@]}"; do
    if wine_reg query "HKLM\\SOFTWARE\\${trees[$i]}" "/reg:$view" > /dev/null 2>&1; then
      wine_reg export "HKLM\\SOFTWARE\\${trees[$i]}" "$dir/wine-$i.reg" /y "/reg:$view" > /dev/null 2>&1
      exports+=("$dir/wine-$i.reg")
    fi
  done

  ok=1
  if [ "$posix_status" != "$wine_status" ]; then
    echo "$name: status $posix_status (POSIX) != $wine_status (Wine)"; ok=0
  fi
  # The Windows console's text mode ends lines with CR LF.
  if ! cmp -s "$dir/posix.out" <(sed 's/\r$//' "$dir/wine.out"); then
    echo "$name: the programs printed different text"; diff "$dir/posix.out" <(sed 's/\r$//' "$dir/wine.out") | head -20; ok=0
  fi
  for err in posix wine; do
    [ -s "$dir/$err.err" ] && { echo "$name: $err run wrote to stderr:"; head -5 "$dir/$err.err"; ok=0; }
  done
  left=()
  [ -f "$dir/posix.reg" ] && left=("$dir/posix.reg")
  if ! python3 tests/e2e/compare_reg.py --codepage "$codepage" --left ${left[@]+"${left[@]}"} \
      --right ${exports[@]+"${exports[@]}"} > "$dir/compare.txt"; then
    echo "$name: the registries differ:"; head -40 "$dir/compare.txt"; ok=0
  fi
  if [ "$ok" = 1 ]; then
    echo "$name: same (status $posix_status, $(tail -1 "$dir/compare.txt"))"
  else
    failures=$((failures + 1))
  fi
done
if [ "$failures" -gt 0 ]; then
  echo "== windows: $failures scenario(s) differ"
  exit 1
fi
echo "== windows: all scenarios agree"
