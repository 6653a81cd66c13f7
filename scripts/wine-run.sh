#!/usr/bin/env bash
# Runs one Windows program under Wine: wine-run.sh PROGRAM.exe [ARGS...]
# The prefix is $WINEPREFIX (default: a per-user folder under ${TMPDIR:-/tmp}),
# set up once on first use. The loader follows the program's machine type:
# 32-bit programs need a kernel that starts 32-bit Linux programs; where it
# cannot, the run exits 77, which the test runner reports as skipped.
set -euo pipefail
exe=$1
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/kestrum-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY
wine32=${KESTRUM_WINE32:-/usr/lib/wine/wine}
wine64=${KESTRUM_WINE64:-/usr/lib/wine/wine64}

# The PE header's machine field: 014c i386, 8664 x86-64.
pe_machine() {
  local offset
  offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' '
}
case "$(pe_machine "$exe")" in
  014c)
    if ! "$wine32" --version > /dev/null 2>&1; then
      echo "wine-run: this machine cannot start the 32-bit Wine loader; skipped" >&2
      exit 77
    fi
    loader=$wine32 ;;
  8664) loader=$wine64 ;;
  *) echo "wine-run: $exe is not a Windows program this script knows" >&2; exit 2 ;;
esac
export WINELOADER=$loader

# One set-up per prefix, also when several tests start at once.
ready=$WINEPREFIX/.kestrum-ready
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      "$loader" wineboot --init > /dev/null 2>&1 || true
      # The server writes the new prefix's registry files when it exits.
      "${WINESERVER:-wineserver}" -w || true
      [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-run: cannot set up $WINEPREFIX" >&2; exit 2; }
      touch "$ready"
    fi
  ) 9> "$WINEPREFIX.lock"
fi
exec "$loader" "$@"
