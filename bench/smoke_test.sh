#!/bin/bash
# Smoke run of the render benchmark: a tiny generated input, one run, outputs written and checked.
#   smoke_test.sh BENCH_EXE WORK_DIR
set -euo pipefail
bench=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
"$bench" --generate 0.05 "$work/smoke.md" --runs 1 --out "$work/out"
status=0
for ext in html rtf docx txt; do
  if [[ ! -s "$work/out/smoke.$ext" ]]; then
    echo "missing or empty: $work/out/smoke.$ext" >&2
    status=1
  fi
done
exit $status
