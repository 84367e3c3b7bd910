#!/usr/bin/env bash
# The web renderer's math spans in headless Chromium, offline, against the program's own parser.
# Usage: renderer_math_chromium.sh <native build dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Chromium keeps its caches under HOME; the test's own folder keeps them out of the user's.
HOME="$work" timeout 600 /usr/bin/python3 "$(dirname "$0")/renderer_math.py" "$build"
