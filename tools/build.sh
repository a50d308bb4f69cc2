#!/usr/bin/env bash
# Installs what is missing, then configures and builds both presets:
# win32 (the shipped 32-bit build) and win64 (the build that runs here).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/bootstrap.sh build
for preset in win32 win64; do
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
