#!/usr/bin/env bash
# Opens the golden DOCX and RTF files of tests/data/render/writers, which the unit tests hold equal
# to what the writers produce, with outside readers: unzip, xmllint, python-docx and LibreOffice.
# Usage: docx_validate.sh [build-dir] (the build dir is not needed)
set -euo pipefail

golden=$(cd "$(dirname "$0")/../data/render/writers" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "docx_validate: $*" >&2
    exit 1
}

parts_expected=$'[Content_Types].xml\n_rels/.rels\nword/document.xml\nword/styles.xml\nword/_rels/document.xml.rels'
for docx in "$golden"/*.docx; do
    name=$(basename "$docx" .docx)
    unzip -tq "$docx" >/dev/null || fail "unzip -t rejects $name.docx"
    parts=$(unzip -Z1 "$docx")
    [[ "$parts" == "$parts_expected" ]] || fail "$name.docx parts: $parts"
    unzip -q "$docx" -d "$work/$name"
    while IFS= read -r part; do
        xmllint --noout "$work/$name/$part" || fail "$name.docx: $part is not well-formed"
    done <<<"$parts"
done

# What a ZIP reader and python-docx see: stored entries, the headings, the table and the text that
# XML cannot carry replaced or dropped.
/usr/bin/python3 - "$golden" <<'EOF' || fail "python checks"
import glob, sys, zipfile, docx
folder = sys.argv[1]
files = glob.glob(f"{folder}/*.docx")
assert len(files) >= 5, files
for name in files:
    with zipfile.ZipFile(name) as z:
        assert all(info.compress_type == zipfile.ZIP_STORED for info in z.infolist()), name
    docx.Document(name)
def style(p):  # paragraphs without a style have none: no default style is defined
    return p.style.name.lower() if p.style is not None else ""
doc = docx.Document(f"{folder}/export_sample.docx")
headings = [(style(p), p.text) for p in doc.paragraphs if style(p).startswith("heading")]
assert headings == [("heading 1", "Tavrel Export Sample"), ("heading 2", "Tiếng Việt"),
                    ("heading 3", "Shopping list")], headings
cells = [[c.text for c in row.cells] for row in doc.tables[0].rows]
assert cells == [["Fruit", "Count"], ["TableCellAlpha", "3"], ["TableCellBeta", "7"]], cells
assert any(r.bold for r in doc.tables[0].rows[0].cells[0].paragraphs[0].runs)
hostile = docx.Document(f"{folder}/hostile.docx")
texts = [p.text for p in hostile.paragraphs]
assert texts[:2] == ["Control chars \ufffd nul", "nonchar \ufffd \ufffd end"], texts
assert style(hostile.paragraphs[0]) == "heading 1"
assert [c.text for c in hostile.tables[0].rows[0].cells] == ["k", "v\x7f"]
empty = docx.Document(f"{folder}/empty.docx")
assert len(empty.paragraphs) == 0 and len(empty.tables) == 0
EOF

# LibreOffice turns the sample as DOCX and as RTF into text holding the document's words. It exits
# 0 even when it cannot load a file, so the output is what counts.
cp "$golden/export_sample.docx" "$work/sample_docx.docx"
cp "$golden/export_sample.light.rtf" "$work/sample_rtf.rtf"
HOME="$work/home" timeout 120 soffice --headless --norestore \
    "-env:UserInstallation=file://$work/home/lo" --convert-to 'txt:Text (encoded):UTF8' \
    --outdir "$work/txt" "$work/sample_docx.docx" "$work/sample_rtf.rtf" >"$work/soffice.log" 2>&1 ||
    { cat "$work/soffice.log"; fail "soffice did not finish"; }
for txt in "$work/txt/sample_docx.txt" "$work/txt/sample_rtf.txt"; do
    [[ -s "$txt" ]] || { cat "$work/soffice.log"; fail "soffice wrote no $txt"; }
    for word in "Tavrel Export Sample" "Xin chào thế giới" "Shopping list" "QuoteWord" \
        "CodeSampleWord" "TableCellAlpha" "TableCellBeta" "coloured"; do
        grep -qF "$word" "$txt" || fail "$txt lacks \"$word\""
    done
done
echo "docx_validate: all checks passed"
