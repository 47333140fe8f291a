#!/usr/bin/env bash
# utiltool version against install records in a temporary KORVAL directory.
set -eu
tool=$1 expect=$(dirname "$0")/expect
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/fileset.txt" <<'RECORDS'
Wed Jun 30 21:49:08 PDT 1993::release= 1.0 
Thu Jul 1 10:00:00 PDT 1993::release=1.1
Wed Jun 30 21:49:08 PDT 1993::summary=first
RECORDS
unset MYKORVAL
export KORVAL=$work
"$expect" 0 "1.1\n" - -- "$tool" version release
"$expect" 0 "1.0\n" - -- "$tool" version release "Wed Jun 30 21:49:08 PDT 1993"
"$expect" 1 - "utiltool: error: no value for missing\n" -- "$tool" version missing
"$expect" 0 '{"ok":true,"key":"release","value":"1.1"}\n' - -- "$tool" --json version release
"$expect" 1 '{"ok":false,"error":"no value for missing"}\n' - -- "$tool" version --json missing
unset KORVAL
"$expect" 1 - "utiltool: note: Unable to obtain the value of environment variable KORVAL\.\nutiltool: error: no value for release\n" -- "$tool" version release
"$expect" 2 - "utiltool: version takes KEY .*\n" -- "$tool" version
