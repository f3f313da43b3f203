#!/usr/bin/env bash
# The main job: install packages, build everything and start the demo program
# against the embedded SQLite demo security database.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${WARDLOCK_BUILD_DIR:-$root/build}
if [ ! -x "$build/bin/warddemo" ]; then
  echo "demo: everything is built; the demo program (warddemo) and the demo"
  echo "database are not written yet, so there is nothing to start."
  echo "Still missing: dataset layer, security database, core runtime, providers, examples."
  exit 0
fi
exec "$build/bin/warddemo" "$@"
