#!/usr/bin/env bash
# The demo environment the example programs expect, under the build folder
# (source this file, then call wardlock_demo_environment):
#   $build/demo/warddemo.sqlite   the demo security database (wardschema demo,
#                                 made only when absent; users below)
#   $build/demo/settings/         system settings: the provider table
#                                 ("Torvane:BDE", "Torvane:ADO:Vcl5") and the
#                                 alias "WardDemo2" (SQLite file above)
#   $build/demo/odbc.ini          ODBC data source "WardDemo" (unixODBC, driver
#                                 "SQLite3") on the same file
# and exports WARDLOCK_SYSTEM_CONFIG and ODBCINI pointing at them. The drivers
# stay those registered in the system's odbcinst.ini, so ODBCSYSINI is left
# alone.
#
# Demo logins: admin / $WARDLOCK_DEMO_ADMIN_PASSWORD (default "admin"),
# manager / manager, deputy / deputy, demo / demo, guest without a password.

wardlock_demo_environment() {
  local build=${1:-${WARDLOCK_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}}
  local demo="$build/demo"
  local database="$demo/warddemo.sqlite"
  mkdir -p "$demo/settings"
  if [ ! -f "$database" ]; then
    "$build/bin/wardschema" demo --sqlite "$database" \
      --admin-password "${WARDLOCK_DEMO_ADMIN_PASSWORD:-admin}" > /dev/null || return 1
  fi
  export WARDLOCK_SYSTEM_CONFIG="$demo/settings"
  local settings="$build/bin/wardsettings"
  "$settings" write 'Software\Torvane\Wardlock\DBProviders' 'Torvane:BDE' 'wardbde.dll' || return 1
  "$settings" write 'Software\Torvane\Wardlock\DBProviders' 'Torvane:ADO:Vcl5' 'wardado.dll' || return 1
  "$settings" write 'Software\Torvane\Wardlock\Aliases\WardDemo2' 'Driver' 'QSQLITE' || return 1
  "$settings" write 'Software\Torvane\Wardlock\Aliases\WardDemo2' 'Database' "$database" || return 1
  cat > "$demo/odbc.ini" <<INI
[WardDemo]
Description=Wardlock demo security database
Driver=SQLite3
Database=$database
Timeout=5000
INI
  export ODBCINI="$demo/odbc.ini"
  WARDLOCK_DEMO_DATABASE=$database
}
