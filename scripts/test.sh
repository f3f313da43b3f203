#!/usr/bin/env bash
# The whole test run on a fresh machine: install packages, build, start the
# services (PostgreSQL cluster, Xvfb), run every test, stop the services.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
# The demo environment (database, settings, DSN file) must be makeable; made
# in a subshell so its settings folder does not leak into the tests.
(source "$root/scripts/odbc.sh" && wardlock_demo_environment "${WARDLOCK_BUILD_DIR:-$root/build}")
# shellcheck source=services.sh
source "$root/scripts/services.sh"
wardlock_services_start
cd "${WARDLOCK_BUILD_DIR:-$root/build}"
ctest --output-on-failure -j 2 "$@"
