#!/usr/bin/env bash
# What a distribution needs, checked: the program alone (no tests, no
# benchmarks, only Qt) builds in Release without a warning; the core compiles
# for aarch64 (no AVX2 clones there); the desktop entry and the AppStream
# metainfo validate; `cmake --install` puts every file in place; `cpack -G DEB`
# makes a package lintian finds no error in.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
dir=build-release
app_id=fr.orvalend.Orvalend

echo "-- the program alone, Release"
cmake --preset release -DORV_WERROR=ON "${launcher[@]}" >/dev/null
grep -q '^BUILD_TESTING:BOOL=OFF' $dir/CMakeCache.txt
if grep -E '^(GTest|benchmark|Qt6Test)_DIR:PATH=' $dir/CMakeCache.txt; then
  echo "the program alone looked for a test or benchmark library"
  exit 1
fi
cmake --build --preset release -j "$(nproc)"

echo "-- the core for aarch64"
objects=$(mktemp -d)
trap 'rm -rf "$objects"' EXIT
for src in src/core/*.cpp; do
  clang++ --target=aarch64-linux-gnu -std=c++20 -O2 -ffp-contract=off -Wall -Wextra -Wpedantic \
    -Werror -Isrc -c "$src" -o "$objects/$(basename "$src" .cpp).o"
done
file "$objects"/*.o | grep -v 'ARM aarch64' && { echo "not aarch64 objects"; exit 1; }
echo "$(ls "$objects" | wc -l) objects for aarch64"

echo "-- desktop entry and metainfo"
hints=$(desktop-file-validate data/$app_id.desktop)
[ -z "$hints" ] || { echo "$hints"; exit 1; }
appstreamcli validate --no-net $dir/data/$app_id.metainfo.xml

echo "-- install into a staging folder"
stage=$dir/stage
rm -rf "$stage"
cmake --install $dir --prefix "$stage/usr" >/dev/null
share=$stage/usr/share
expected=(usr/bin/orvalend share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml
          share/icons/hicolor/scalable/apps/$app_id.svg share/man/man1/orvalend.1.gz
          share/doc/orvalend/LICENSE share/doc/orvalend/copyright)
for size in 16 32 48 64 128 256; do expected+=(share/icons/hicolor/${size}x${size}/apps/$app_id.png); done
expected+=(share/doc/orvalend/font/LICENSE)
for f in "${expected[@]}"; do
  [ -e "$stage/usr/${f#usr/}" ] || { echo "missing after install: $f"; exit 1; }
done
echo "${#expected[@]} files installed"
grep -q 'Liberation Sans Narrow' "$share/doc/orvalend/copyright" ||
  { echo "the installed copyright does not name the embedded font"; exit 1; }
grep -q 'FFTW' "$share/doc/orvalend/copyright" ||
  { echo "the installed copyright does not name FFTW"; exit 1; }
appstreamcli validate-tree --no-net "$stage"

echo "-- Debian package"
(cd $dir && rm -f ./*.deb && cpack -G DEB >/dev/null)
deb=$(ls $dir/*.deb)
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --field "$deb" Depends | grep -q 'libfftw3-double3' ||
  { echo "the package does not depend on FFTW's library"; exit 1; }
lintian --fail-on error "$deb" ||
  { echo "lintian reports errors"; exit 1; }
