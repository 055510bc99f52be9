#!/usr/bin/env bash
# Builds the program alone with warnings as errors in every build type
# (Release, RelWithDebInfo, Debug, and None with Debian's dpkg-buildflags) with
# GCC and with clang, in build-matrix/<compiler>-<type>. Not part of the test
# command (eight builds); run it after changing flags or compilers.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
jobs=${JOBS:-$(nproc)}
for compiler in ${COMPILERS:-g++ clang++}; do
  for type in Release RelWithDebInfo Debug None; do
    dir=build-matrix/${compiler%++}-$type
    rm -rf "$dir"
    (
      if [ "$type" = None ]; then
        eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
        export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
        type=
      fi
      cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=$compiler -DCMAKE_BUILD_TYPE=$type \
        -DBUILD_TESTING=OFF -DORV_WERROR=ON "${launcher[@]}" >/dev/null
      cmake --build "$dir" -j "$jobs" >"$dir.log" 2>&1 || { tail -50 "$dir.log"; exit 1; }
    )
    echo "${compiler%++} ${type:-None}: no warning"
  done
done
