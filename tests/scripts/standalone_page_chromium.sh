#!/usr/bin/env bash
# Opens the golden standalone page (the unit tests hold it equal to what the page builder makes
# with the test stand-in renderer) in headless Chromium with JavaScript on and no network, and
# checks that the bootstrap script handed the document to the renderer: #preview shows the text,
# whose "</script" and "<b>" stayed text.
# Usage: standalone_page_chromium.sh [build-dir] (the build dir is not needed)
set -euo pipefail

page=$(cd "$(dirname "$0")/../data/export" && pwd)/page_plain.html
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "standalone_page_chromium: $*" >&2
    exit 1
}

dom=$(HOME="$work" timeout 120 chromium --headless --no-sandbox --disable-gpu \
    --disable-background-networking --disable-component-update --no-first-run \
    --host-resolver-rules="MAP * ~NOTFOUND" --user-data-dir="$work/profile" \
    --dump-dom "file://$page" 2>"$work/stderr") || fail "chromium failed: $(tail -5 "$work/stderr")"

preview=$(tr -d '\n' <<<"$dom" | grep -o '<main id="preview">[^<]*</main>') || fail "no #preview in: $dom"
expected='<main id="preview"># Tiếng Việt&lt;/script&gt;&lt;b&gt;x&lt;/b&gt; &amp; "q"</main>'
[[ "$preview" == "$expected" ]] || fail "#preview is: $preview"
echo "standalone_page_chromium: ok"
