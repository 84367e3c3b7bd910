#!/usr/bin/env bash
# Runs tavrel.exe --smoke-test under Wine (the Wine environment started by the caller) as the
# build made it, with its own web renderer beside it, and fails unless the run ends with exit code
# 0 and a complete report. Under Wine the exported image is blank (RichEdit draws nothing through EM_FORMATRANGE);
# its check still passes there, since it can only ask for a valid, non-trivial PNG file.
# Usage: smoke-test.sh <win build dir>
set -uo pipefail
build=$(cd "${1:?build dir}" && pwd)
fail() {
  echo "smoke-test: $*" >&2
  exit 1
}

[ -f "$build/renderer/app.js" ] || fail "the build made no renderer beside the program"
temp=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
temp=$(winepath -u "$temp" 2>/dev/null)
[ -d "$temp" ] || fail "no Wine temporary folder"
before=$(ls -d "$temp"/Tavrel-smoke-* 2>/dev/null)
timeout 300 wine "$build/tavrel.exe" --smoke-test
code=$?
profile=$(comm -13 <(echo "$before") <(ls -d "$temp"/Tavrel-smoke-* 2>/dev/null) | head -1)
[ -n "$profile" ] || fail "exit code $code and no profile folder"
trap 'rm -rf "$profile"' EXIT
error=$(cat "$profile/test-error.txt" 2>/dev/null)
echo "smoke-test: exit code $code; test-error.txt: ${error:-(none)}"
[ -f "$profile/native-report.json" ] || fail "no report"
cat "$profile/native-report.json"
echo
/usr/bin/python3 - "$profile/native-report.json" "$code" "$error" <<'PY' || fail "report not complete"
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
code, error = int(sys.argv[2]), sys.argv[3]
assert report["themeCount"] == 3 and report["layoutToggleCount"] == 16, report
assert report["toolbarHeight"] > 0, report
assert code == 0 and error == "" and report["passed"] is True, (code, error)
checks = report["checks"]
assert len(checks) == 27 and len(set(checks)) == 27, checks
PY
