#!/usr/bin/env bash
# utiltool's batch mode on 100,000 lines: eq2init, then init2eq on its results, then
# check. Prints the wall time of each pass and the lines per second. Self-contained:
# bench/utiltool_batch.sh [BUILD_DIR] (default build/bench, else build/default).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
[ -x "$build/tools/utiltool" ] || build=build/default
tool=$build/tools/utiltool
[ -x "$tool" ] || { echo "no utiltool under $build; build it first"; exit 1; }
lines=100000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Fixed-seed random sums of products over four lines, some inverted, some grouped.
awk -v n=$lines 'BEGIN { srand(19); for (i = 0; i < n; i++) {
  s = ""; t = 1 + int(rand() * 4)
  for (k = 0; k < t; k++) { p = ""; l = 1 + int(rand() * 3)
    for (j = 0; j < l; j++) p = p (j ? "*" : "") (rand() < 0.3 ? "~" : "") "I" int(rand() * 4)
    s = s (k ? " + " : "") (rand() < 0.2 ? "(" p ")" : p) }
  printf "LUT%d: %s\n", i, s } }' > "$work/eqs.txt"

pass() { # NAME COMMAND...
  local name=$1; shift
  local t0 t1
  t0=$(date +%s.%N)
  "$@"
  t1=$(date +%s.%N)
  awk -v n="$name" -v a="$t0" -v b="$t1" -v l=$lines \
    'BEGIN { printf "| utiltool %s -f, %d lines | %.2f s | %.0f lines/s |\n", n, l, b - a, l / (b - a) }'
}
echo "| Work | Wall time | Rate |"
echo "|---|---|---|"
pass eq2init sh -c "'$tool' eq2init --lines I0,I1,I2,I3 -f '$work/eqs.txt' > '$work/inits.txt'"
pass init2eq sh -c "'$tool' init2eq --lines I0,I1,I2,I3 -f '$work/inits.txt' > '$work/back.txt'"
pass check sh -c "'$tool' check --lines I0,I1,I2,I3 -f '$work/back.txt' > /dev/null"
[ "$(wc -l < "$work/back.txt")" -eq $lines ] || { echo "lines lost"; exit 1; }
