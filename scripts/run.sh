#!/usr/bin/env bash
# Builds the Win64 editor and starts it under Wine (on Windows, run build/win/tavrel.exe itself).
set -euo pipefail
export TAVREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$TAVREL_ROOT"
bash scripts/setup.sh
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
ninja -C build/win tavrel
# Use the caller's display when there is one; otherwise a virtual one.
[ -n "${DISPLAY:-}" ] && export TAVREL_OWN_DISPLAY=0
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
wine build/win/tavrel.exe "$@"
