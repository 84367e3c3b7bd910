#!/usr/bin/env bash
# The standalone page in headless Chromium with JavaScript on and no network.
# 1. The golden page (the unit tests hold it equal to what the page builder makes with the test
#    stand-in renderer): the bootstrap script handed the document to the renderer, and #preview
#    shows the text, whose "</script" and "<b>" stayed text.
# 2. A page the program's page builder (tavrel_render_tool) makes with the build's real renderer
#    from a document whose image syntax also stands in code: the images show from data: addresses
#    (titles kept), a link that shares its definition with an image keeps the file's address, and
#    every code sample shows its text as written.
# Usage: standalone_page_chromium.sh <native build dir>
set -euo pipefail

build=$(cd "${1:?build dir}" && pwd)
page=$(cd "$(dirname "$0")/../data/export" && pwd)/page_plain.html
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "standalone_page_chromium: $*" >&2
    exit 1
}
dom_of() {
    HOME="$work" timeout 120 chromium --headless --no-sandbox --disable-gpu \
        --disable-background-networking --disable-component-update --no-first-run \
        --host-resolver-rules="MAP * ~NOTFOUND" --user-data-dir="$work/profile" \
        --virtual-time-budget=3000 --dump-dom "file://$1" 2>"$work/stderr" ||
        fail "chromium failed: $(tail -5 "$work/stderr")"
}

preview=$(dom_of "$page" | tr -d '\n' | grep -o '<main id="preview">[^<]*</main>') || fail "no #preview"
expected='<main id="preview"># Tiếng Việt&lt;/script&gt;&lt;b&gt;x&lt;/b&gt; &amp; "q"</main>'
[[ "$preview" == "$expected" ]] || fail "#preview is: $preview"

# A 2x1 PNG, red then blue.
python3 - "$work/pic.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"\0\xff\0\0\0\0\xff"
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 1, 8, 2, 0, 0, 0))
open(sys.argv[1], "wb").write(png + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PY
cat >"$work/doc.md" <<'MD'
# Pictures

```
![fenced](pic.png)
```

    ![indented](pic.png)

Inline `![inline](pic.png)` and real: ![real](pic.png "A title") ![ref][r]

A picture and a link that share a definition: ![shared][s] [the link][S]

[r]: <pic.png>
[s]: pic.png "Shared"
MD
"$build/tavrel_render_tool" page "$work/doc.md" "$build/renderer" >"$work/page.html"
dom=$(dom_of "$work/page.html" | tr -d '\n' | grep -o '<main id="preview">.*</main>') || fail "no #preview"
images=$(grep -o '<img [^>]*>' <<<"$dom") || fail "no image in: $dom"
[[ $(wc -l <<<"$images") == 3 ]] || fail "images: $images"
[[ $(grep -c 'src="data:image/png;base64,iVBORw0KGgo' <<<"$images") == 3 ]] || fail "images: $images"
grep -q 'title="A title"' <<<"$images" || fail "title lost: $images"
grep -q 'title="Shared"' <<<"$images" || fail "shared title lost: $images"
# The link keeps the address it shares with the picture.
links=$(grep -o '<a [^>]*>the link</a>' <<<"$dom") || fail "no link in: $dom"
[[ "$links" == '<a href="pic.png" title="Shared">the link</a>' ]] || fail "link: $links"
for sample in fenced indented inline; do
    grep -qF "![$sample](pic.png)" <<<"$dom" || fail "code sample $sample changed: $dom"
done
echo "standalone_page_chromium: ok"
