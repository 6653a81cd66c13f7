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
  for p in g++-mingw-w64-i686 wine wine32:i386; do have "$p" || need+=("$p"); done
fi
if [ "${#need[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
