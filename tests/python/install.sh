#!/usr/bin/env bash
# Installs the build into a temporary prefix and imports the module from there, with
# PYTHONPATH set to the install's site-packages and no library path: the module finds
# libUtilities through its run path.
set -euo pipefail
build=$1 python=$2 site=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
[ -f "$work/prefix/$site/utilities.pyi" ] || { echo "no stub in $work/prefix/$site"; exit 1; }
unset LD_LIBRARY_PATH
cd "$work"
PYTHONPATH="$work/prefix/$site" "$python" - "$work/prefix" <<'PY'
import sys
import utilities as ut
assert ut.__file__.startswith(sys.argv[1]), ut.__file__
assert ut.Equate().gen_hex("O = A0*A1", ["A0", "A1"]) == "8"
print("imported", ut.__file__)
PY
