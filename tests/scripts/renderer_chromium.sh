#!/usr/bin/env bash
# The web renderer of the build in headless Chromium, offline: the page's messages, the visual
# editor, bad input, and standalone pages of real documentation from the program's page builder.
# Usage: renderer_chromium.sh <native build dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Chromium keeps its caches under HOME; the test's own folder keeps them out of the user's.
HOME="$work" timeout 900 /usr/bin/python3 "$(dirname "$0")/renderer_page.py" "$build"
