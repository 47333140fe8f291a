#!/usr/bin/env bash
# Installs the build into a temporary prefix, then with no library path set in the
# environment: runs the installed utiltool, and builds and runs small outside programs
# against the prefix through find_package, through pkg-config, and linked to
# libUtilities alone (which must find libPortability beside it).
set -euo pipefail
build=$1 src=$2 cxx=$3 flags=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install: $*"; exit 1; }

# The tool runs from the prefix, and its manual page is there.
out=$("$prefix/bin/utiltool" eq2init --lines A0,A1 "A0*A1") || fail "installed utiltool does not run"
[ "$out" = 8 ] || fail "installed utiltool printed '$out'"
"$prefix/bin/utiltool" --version | grep -q '^utiltool ' || fail "no --version"
[ -n "$(find "$prefix" -name utiltool.1)" ] || fail "no manual page installed"
echo "utiltool: ok"

cmake -S "$src" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"
echo "find_package: ok"

pcdir=$(dirname "$(find "$prefix" -name utilities.pc | head -n 1)")
libdir=$(PKG_CONFIG_PATH="$pcdir" pkg-config --variable=libdir utilities)
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++17 $flags "$src/consumer.cpp" -o "$work/pc-consumer" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs utilities) -Wl,-rpath,"$libdir"
"$work/pc-consumer"
echo "pkg-config: ok"

# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++17 $flags "$src/only_utilities.cpp" -o "$work/only-utilities" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags utilities) -L"$libdir" -lUtilities \
  -Wl,-rpath,"$libdir" -Wl,-rpath-link,"$libdir"
"$work/only-utilities"
echo "libUtilities alone: ok"
