#!/usr/bin/env bash
# Configures and builds Wardlock into build/ (incremental; ccache when present).
# Extra arguments go to the CMake configure step, e.g. -DWARDLOCK_ASAN=ON.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WARDLOCK_BUILD_DIR:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ] || [ $# -gt 0 ]; then
  cmake -S "$root" -B "$build" -G Ninja "$@"
fi
cmake --build "$build" -j "$(nproc)"
