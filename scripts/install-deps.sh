#!/usr/bin/env bash
# Installs what the build and the test legs need, only when it is missing.
# Usage: scripts/install-deps.sh [--windows] [--fuzz]
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake ninja-build g++ libgtest-dev libbenchmark-dev hyperfine time jq; do have "$p" || need+=("$p"); done
want_windows=0
for arg in "$@"; do
  case "$arg" in
    --windows) want_windows=1 ;;
    --fuzz) for p in clang libclang-rt-dev; do have "$p" || need+=("$p"); done ;;
  esac
done
if [ "$want_windows" = 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt_updated=0
  fi
  # wine64 and the 64-bit compiler carry the Wine tests on kernels that
  # cannot start the 32-bit Wine loader; locales gives Wine a Japanese
  # system (code page 932) for the double-byte end-to-end run.
  for p in g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 locales; do
    have "$p" || need+=("$p")
  done
fi
if [ "${#need[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
if [ "$want_windows" = 1 ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
