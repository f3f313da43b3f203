#!/usr/bin/env bash
# The main job: install packages, build everything, prepare the demo
# environment (scripts/odbc.sh: demo security database, provider table,
# alias, ODBC data source) and start the demo program warddemo against the
# embedded SQLite demo database. It needs a display; without one run
#   xvfb-run -a bash scripts/demo.sh
# Arguments go to warddemo. WARDDEMO_PROGRAM=wardsample starts the secured-form
# example (ODBC data source "WardDemo") instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${WARDLOCK_BUILD_DIR:-$root/build}
# shellcheck source=odbc.sh
source "$root/scripts/odbc.sh"
wardlock_demo_environment "$build"
program=${WARDDEMO_PROGRAM:-warddemo}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "demo: $program needs a display. Without one, run: xvfb-run -a bash scripts/demo.sh" >&2
  exit 1
fi
echo "demo: starting $program on $WARDLOCK_DEMO_DATABASE"
echo "demo: log in as demo / demo (also manager / manager, deputy / deputy, guest without" \
     "password, admin / ${WARDLOCK_DEMO_ADMIN_PASSWORD:-admin})"
exec "$build/bin/$program" "$@"
