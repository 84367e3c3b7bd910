#!/usr/bin/env bash
# Runs tavrel.exe --smoke-test under Wine (the Wine environment started by the caller) as the
# build made it, with its own web renderer beside it, twice in a row in the same prefix, and fails
# unless each run ends with exit code 0 and a complete report. The first run's folder stays until
# both have run: process ids repeat, and a run that meets an earlier run's folder of the same
# name must still pass. Under Wine the exported image is blank (RichEdit draws nothing through
# EM_FORMATRANGE); its check still passes there, since it can only ask for a valid, non-trivial
# PNG file.
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
profiles=()
marker=$(mktemp)
trap 'rm -rf "$marker" "${profiles[@]}"' EXIT

# One run; its profile is the folder of that name made (or made again) after it started.
run_once() {
  touch "$marker"
  # The program ends a run that takes longer than four minutes itself; this is the last resort.
  timeout 300 wine "$build/tavrel.exe" --smoke-test
  local code=$? profile error
  profile=$(find "$temp" -maxdepth 1 -name 'Tavrel-smoke-*' -newer "$marker" -printf '%T@ %p\n' |
    sort -rn | head -1 | cut -d' ' -f2-)
  [ -n "$profile" ] || fail "run $1: exit code $code and no profile folder"
  profiles+=("$profile")
  error=$(cat "$profile/test-error.txt" 2>/dev/null)
  echo "smoke-test: run $1 in $(basename "$profile"): exit code $code; test-error.txt: ${error:-(none)}"
  [ -f "$profile/native-report.json" ] || fail "run $1: no report"
  cat "$profile/native-report.json"
  echo
  /usr/bin/python3 - "$profile/native-report.json" "$code" "$error" <<'PY' || fail "run $1: report not complete"
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
code, error = int(sys.argv[2]), sys.argv[3]
assert report["themeCount"] == 3 and report["layoutToggleCount"] == 16, report
assert report["toolbarHeight"] > 0, report
assert code == 0 and error == "" and report["passed"] is True, (code, error)
checks = report["checks"]
assert len(checks) == 27 and len(set(checks)) == 27, checks
PY
}

run_once 1
run_once 2
