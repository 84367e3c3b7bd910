#!/usr/bin/env bash
# Checks exported DOCX and RTF files with outside tools: unzip, xmllint, python-docx and
# LibreOffice. The files come from the DocxExport test of the native test binary.
# Usage: docx_validate.sh <native-build-dir>
set -euo pipefail

build=${1:?usage: docx_validate.sh <native-build-dir>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out="$work/out"

fail() {
    echo "docx_validate: $*" >&2
    exit 1
}

TAVREL_EXPORT_DIR="$out" "$build/tavrel_portable_tests" --gtest_filter='DocxExport.*' \
    >"$work/gtest.log" 2>&1 || { cat "$work/gtest.log"; fail "export test failed"; }
docs=(sample hostile empty)
for name in "${docs[@]}"; do
    [[ -s "$out/$name.docx" ]] || fail "$name.docx was not written"
done
[[ -s "$out/sample.rtf" ]] || fail "sample.rtf was not written"

expected_parts=$'[Content_Types].xml\n_rels/.rels\nword/document.xml\nword/styles.xml\nword/_rels/document.xml.rels'

for name in "${docs[@]}"; do
    docx="$out/$name.docx"
    unzip -tq "$docx" >/dev/null || fail "unzip -t rejects $name.docx"
    parts=$(unzip -Z1 "$docx")
    [[ "$parts" == "$expected_parts" ]] || fail "$name.docx parts: $parts"
    mkdir -p "$work/x/$name"
    unzip -q "$docx" -d "$work/x/$name"
    while IFS= read -r part; do
        xmllint --noout "$work/x/$name/$part" || fail "$name.docx: $part is not well-formed"
    done <<<"$parts"
done

# The archive fields a ZIP reader sees: stored, UTF-8 names, the fixed date, matching CRCs.
/usr/bin/python3 - "$out" "${docs[@]}" <<'EOF' || fail "ZIP fields"
import sys, zipfile
folder, names = sys.argv[1], sys.argv[2:]
for name in names:
    with zipfile.ZipFile(f"{folder}/{name}.docx") as z:
        assert z.testzip() is None, name
        for info in z.infolist():
            assert info.compress_type == zipfile.ZIP_STORED, info
            assert info.flag_bits == 0x800, info
            assert info.date_time == (2026, 11, 1, 0, 0, 0), info.date_time
EOF

# python-docx opens every document, finds the heading styles and the table.
/usr/bin/python3 - "$out" <<'EOF' || fail "python-docx"
import sys, docx
folder = sys.argv[1]
def style(p):  # paragraphs without a style have none: no default style is defined
    return p.style.name.lower() if p.style is not None else ""
doc = docx.Document(f"{folder}/sample.docx")
headings = [(style(p), p.text) for p in doc.paragraphs if style(p).startswith("heading")]
assert ("heading 1", "Tavrel Export Sample") in headings, headings
assert ("heading 2", "Tiếng Việt") in headings, headings
assert ("heading 3", "Shopping list") in headings, headings
assert len(doc.tables) == 1, len(doc.tables)
table = doc.tables[0]
cells = [[c.text for c in row.cells] for row in table.rows]
assert cells == [["Fruit", "Count"], ["TableCellAlpha", "3"], ["TableCellBeta", "7"]], cells
assert any(r.bold for r in table.rows[0].cells[0].paragraphs[0].runs)
hostile = docx.Document(f"{folder}/hostile.docx")
texts = [p.text for p in hostile.paragraphs]
assert texts[0] == "Control chars  nul", texts
assert style(hostile.paragraphs[0]) == "heading 1"
assert "\ufffd" in texts[1] and "\ufffe" not in texts[1] and "\uffff" not in texts[1], texts
assert len(hostile.tables) == 1
empty = docx.Document(f"{folder}/empty.docx")
assert len(empty.paragraphs) == 0 and len(empty.tables) == 0
EOF

# LibreOffice turns a DOCX and an RTF into text holding the document's words. It exits 0 even
# when it cannot load a file, so the output is what counts.
cp "$out/sample.rtf" "$work/sample_rtf.rtf"
mkdir -p "$work/home" "$work/txt"
HOME="$work/home" timeout 120 soffice --headless --norestore \
    "-env:UserInstallation=file://$work/home/lo" \
    --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/txt" \
    "$out/sample.docx" "$work/sample_rtf.rtf" >"$work/soffice.log" 2>&1 ||
    { cat "$work/soffice.log"; fail "soffice did not finish"; }
for txt in sample sample_rtf; do
    file="$work/txt/$txt.txt"
    [[ -s "$file" ]] || { cat "$work/soffice.log"; fail "soffice wrote no $txt.txt"; }
    for word in "Tavrel Export Sample" "Xin chào thế giới" "Shopping list" "QuoteWord" \
        "CodeSampleWord" "TableCellAlpha" "TableCellBeta" "coloured"; do
        grep -qF "$word" "$file" || fail "$txt.txt lacks \"$word\""
    done
done
echo "docx_validate: all checks passed"
