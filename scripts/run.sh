#!/usr/bin/env bash
# Builds the program if needed (the test command's build, `dev` preset) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake --preset dev "${launcher[@]}" >/dev/null
cmake --build --preset dev --target orvalend
exec ./build/src/app/orvalend
