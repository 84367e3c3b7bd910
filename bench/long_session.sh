#!/usr/bin/env bash
# Runs tavrel_session_bench on real Markdown installed with the system: a changelog of about
# 1 MB as the document, a dozen other changelogs and API pages as the session's tabs.
# Usage: long_session.sh <win-build-dir> [extra benchmark options], inside the Wine environment
# of scripts/wine-env.sh. The figures are printed, never judged.
set -euo pipefail
build=$(cd "${1:?win build dir}" && pwd)
shift
docs=/usr/share/doc/nodejs
document=$docs/changelogs/CHANGELOG_V12.md
tabs=()
for name in V4 V5 V6 V7 V8 V9; do tabs+=("Z:$docs/changelogs/CHANGELOG_$name.md"); done
for name in fs crypto http buffer errors cli; do tabs+=("Z:$docs/api/$name.md"); done
for file in "$document" "${tabs[@]#Z:}"; do
  [ -s "$file" ] || { echo "missing input: $file" >&2; exit 2; }
done
echo "document: $document ($(stat -c %s "$document") bytes), ${#tabs[@]} tabs"
wine "$build/tavrel_session_bench.exe" "$@" "Z:$document" "${tabs[@]}"
