#!/usr/bin/env bash
# The docs target's settings fail on an undocumented public member and pass when every
# public class and member carries a plain // comment (private ones need none).
set -u
doxyfile=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() { # HEADER-TEXT: runs Doxygen with the project's settings on one header
  rm -rf "$work/in" "$work/out"
  mkdir -p "$work/in" "$work/out"
  printf '%s\n' "$1" > "$work/in/Gate.h"
  { cat "$doxyfile"; echo "INPUT = $work/in"; echo "OUTPUT_DIRECTORY = $work/out"; } > "$work/Doxyfile"
  (cd "$work" && doxygen Doxyfile 2>"$work/err" >/dev/null)
}
head='// Gate: a header for the gate.
#ifndef GATE_H
#define GATE_H
// Gate: counts things.
class Gate {
public:
  Gate(); // an empty gate
  // The number of things.
  int count() const;'
tail='private:
  int n;
};
#endif'
fail=0
run "$head
$tail" || { echo "a documented header failed:"; cat "$work/err"; fail=1; }
run "$head
  void open();
$tail" && { echo "an undocumented member passed"; fail=1; }
grep -q 'open' "$work/err" || { echo "the failure does not name the member:"; cat "$work/err"; fail=1; }
run "$head
$tail
class Other { public: int x; };" && { echo "an undocumented class passed"; fail=1; }
exit $fail
