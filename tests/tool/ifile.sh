#!/usr/bin/env bash
# utiltool ifile as a user runs it: create, list, extract, and damaged files refused.
set -eu
tool=$1 expect=$(dirname "$0")/expect
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '0123456789' > alpha
printf 'hello' > beta

"$expect" 0 - - -- "$tool" ifile create out.if alpha beta
[ "$(stat -c %s out.if)" = 192 ] || { echo "unexpected size $(stat -c %s out.if)"; exit 1; }
"$expect" 0 "file out.if: format 2.0, data 0.0, 2 segments\nname                         offset       size       type       data\nalpha                           128         10          0          0\nbeta                            138          5          0          0\n" - -- "$tool" ifile list out.if
"$expect" 0 "hello" - -- "$tool" ifile extract out.if beta
"$expect" 0 - - -- "$tool" ifile extract out.if alpha -o alpha.out
cmp alpha alpha.out
"$expect" 1 - "utiltool: error: no segment named gamma in out.if\n" -- "$tool" ifile extract out.if gamma

# Damaged files: a wrong version byte, a missing file, a segment past the end.
printf '\001\000\000\000' > bad.if
"$expect" 1 - "utiltool: error: Incompatible versions\. .*\nutiltool: error: cannot load bad.if\n" -- "$tool" ifile list bad.if
"$expect" 1 - "utiltool: error: Unable to open file .*\nutiltool: error: cannot load none.if\n" -- "$tool" ifile list none.if
# One entry, beta, whose bytes would lie at 4096 in a 157-byte file.
{ printf '\002\000\000\000\001\000\200\000\000\000'; head -c 118 /dev/zero
  printf '\004\000\000\000beta\000\020\000\000\005\000\000\000'; head -c 8 /dev/zero; } > cut.if
"$expect" 1 - "utiltool: error: segment beta runs past the end of cut.if\n" -- "$tool" ifile extract cut.if beta
"$expect" 2 - "utiltool: ifile extract takes FILE and NAME .*\n" -- "$tool" ifile extract out.if
"$expect" 2 - "utiltool: unknown ifile subcommand frob .*\n" -- "$tool" ifile frob
