#!/usr/bin/env bash
# Runs a Win64 program under the project's Wine prefix; ctest uses it as the cross-compiling
# emulator. The prefix, Xvfb and wineserver are prepared by scripts/wine-env.sh.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
exec wine "$@"
