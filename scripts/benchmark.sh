#!/usr/bin/env bash
# Runs "tavrel.exe --benchmark" in a fresh profile on real Markdown of about 10 KB, 120 KB and
# 1 MB and prints the three reports. Fails when a run does not end by itself or leaves no
# well-formed report; the figures themselves are printed, never judged.
# Usage: benchmark.sh <win-build-dir>, inside the Wine environment of scripts/wine-env.sh.
set -uo pipefail
build=$(cd "${1:?win build dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
docs=/usr/share/doc/nodejs

# Documentation installed with the system; generated text only where it is missing.
make_input() {
  local name=$1 size=$2 out="$work/$1.md"
  shift 2
  cat "$@" >"$out" 2>/dev/null || true
  [ -s "$out" ] && return
  : >"$out"
  local n=0
  while [ "$(stat -c %s "$out")" -lt "$size" ]; do
    n=$((n + 1))
    printf '## Section %d\n\nSome *emphasis*, `code` and a [link](https://example.org/%d).\n\n- item one\n- item two\n\n' "$n" "$n" >>"$out"
  done
}
make_input small 10000 "$docs/api/tty.md"
make_input medium 120000 "$docs/api/http.md"
make_input large 1000000 "$docs/changelogs/CHANGELOG_V12.md" "$docs/changelogs/CHANGELOG_V20.md"
# The large input is cut back to about 1.1 MB at a line end.
head -n "$(head -c 1150000 "$work/large.md" | wc -l)" "$work/large.md" >"$work/large.cut" &&
  mv "$work/large.cut" "$work/large.md"

status=0
for name in small medium large; do
  profile="$work/profile-$name"
  mkdir -p "$profile"
  bytes=$(stat -c %s "$work/$name.md")
  timeout 180 wine "$build/tavrel.exe" --benchmark --profile "Z:$profile" "Z:$work/$name.md" \
    </dev/null >/dev/null 2>&1
  code=$?
  echo "-- benchmark, $name document ($bytes bytes), exit code $code"
  if [ "$code" -ne 0 ] || ! python3 - "$profile/benchmark.json" <<'PY'; then status=1; fi
import json, sys
text = open(sys.argv[1], encoding="utf-8").read()
print(text)
report = json.loads(text)
unsigned = ["idle_wall_ms", "main_to_preview_ms", "private_bytes", "working_set_bytes"]
assert sorted(report) == sorted(unsigned + ["idle_cpu_ms", "native"]), "members"
assert all(type(report[k]) is int and report[k] >= 0 for k in unsigned), "unsigned members"
assert type(report["idle_cpu_ms"]) in (int, float) and report["idle_cpu_ms"] >= 0, "idle_cpu_ms"
assert type(report["native"]) is bool, "native"
assert list(report) == sorted(report) and text.startswith('{\n  "'), "layout"
PY
done
[ "$status" -eq 0 ] || echo "benchmark: a report is missing or malformed" >&2
exit $status
