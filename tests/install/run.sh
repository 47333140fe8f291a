#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds and runs a small outside
# program against it, once through find_package and once through pkg-config.
set -euo pipefail
build=$1 src=$2 cxx=$3 flags=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null

cmake -S "$src" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work/cmake" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib" "$work/cmake/consumer"
echo "find_package: ok"

pcdir=$(dirname "$(find "$work/prefix" -name utilities.pc | head -n 1)")
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++17 $flags "$src/consumer.cpp" -o "$work/pc-consumer" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs utilities)
LD_LIBRARY_PATH="$(PKG_CONFIG_PATH="$pcdir" pkg-config --variable=libdir utilities)" "$work/pc-consumer"
echo "pkg-config: ok"
