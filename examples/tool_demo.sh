#!/usr/bin/env bash
# utiltool on the shipped example: the INIT value of the four-input equation in
# lut4.eq, the equation of that value, its truth table, and an indexed file made of
# this folder's files and listed. Usage: examples/tool_demo.sh [build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-build/default}/tools/utiltool
lines=A0,A1,A2,A3
equation=$(cat "$here/lut4.eq")

echo "equation:  $equation"
init=$("$tool" eq2init --lines $lines "$equation")
echo "INIT:      $init"
echo "minterms:  $("$tool" init2eq --lines $lines "$init")"
echo
"$tool" table --lines $lines "$equation"
echo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" ifile create "$work/example.if" "$here/lut4.eq" "$here/list_demo.cpp"
"$tool" ifile list "$work/example.if"
