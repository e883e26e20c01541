#!/bin/sh
# Makes the Debian package from a build folder, as `make package` does, and
# checks its contents and dependencies.
# usage: package_test.sh CPACK BUILD_FOLDER SOURCE_FOLDER
set -eu
cpack=$1 build=$2 source=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" ||
  { cat "$out/cpack.log"; exit 1; }
"$source/scripts/check-package" "$out"/tavrik_*.deb
