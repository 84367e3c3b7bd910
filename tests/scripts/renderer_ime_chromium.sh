#!/usr/bin/env bash
# Words an input method composes in the visual editor's boxes, in headless Chromium, offline.
# Usage: renderer_ime_chromium.sh <native build dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Chromium keeps its caches under HOME; the test's own folder keeps them out of the user's.
HOME="$work" timeout 600 /usr/bin/python3 "$(dirname "$0")/renderer_ime.py" "$build"
