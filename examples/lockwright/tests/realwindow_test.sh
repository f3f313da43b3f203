#!/usr/bin/env bash
# lockwright on a real X server against the demo database: logs in as the
# demo administrator, stores the administration account, logs out and quits,
# all through real X input (xdotool); photographs the window (checked not
# blank, fitting 1024x768) and checks the rows the administration module
# reads. Runs only when the test script started Xvfb; exit 77 = skipped.
# Usage: realwindow_test.sh LOCKWRIGHT WARDSCHEMA WARDSETTINGS SCREENSHOTS
set -uo pipefail
lockwright=$1 wardschema=$2 wardsettings=$3 screenshots=$4

# shellcheck source=../../../scripts/realwindow.sh
source "$(dirname "$0")/../../../scripts/realwindow.sh"
realwindow_require python3

realwindow_setup lockwright lockwright.log
mkdir -p "$screenshots"

realwindow_demo_database "$wardschema" "$wardsettings"
database=$work/warddemo.sqlite

# The account rows as the administration module reads them: the user name,
# and the password row's length in bytes (one character per byte).
account_rows() {
  python3 - "$database" << 'PY'
import sqlite3, sys
rows = dict(sqlite3.connect(sys.argv[1]).execute(
    "select Name, FValue from SecurityParams where Name in ('ResNrk7a~d3nEge', 'Res74hG^e5(dhF')"))
print(rows.get('ResNrk7a~d3nEge'), len(rows.get('Res74hG^e5(dhF') or ''))
PY
}
before=$(account_rows)

"$lockwright" > "$work/lockwright.log" 2>&1 &
pid=$!

window=$(realwindow_wait 30 'Security Database Lockwright') || fail "the window did not appear"
xdotool windowfocus --sync "$window" || fail "cannot focus the window"
# The focus starts in "User name:"; the fields follow in tab order, then
# "Log in".
realwindow_keys type:admin Tab type:admin Tab type:WardDemo2 Tab type:Torvane:BDE Tab type:BDE \
  Tab "type:RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0" Tab type:SecurityCheck \
  Tab type:KDplenovit Tab space
sleep 1
[ -z "$(xdotool search --onlyvisible --name '^Lockwright$' 2> /dev/null)" ] \
  || fail "a message box answered the login"
# "Log out", then the account's user name and password, then "Set user and password".
realwindow_keys Tab Tab type:WardAcct Tab type:Acct-pass-1
realwindow_photograph "$window" "$screenshots/lockwright.png"
realwindow_keys Tab space
sleep 2
[ -z "$(xdotool search --onlyvisible --name '^Lockwright$' 2> /dev/null)" ] \
  || fail "a message box answered the account (Fault?)"
after=$(account_rows)
echo "account rows before: $before; after: $after"
[ "$after" = "WardAcct 16" ] || fail "the account was not stored"

# Back to "Log out" (three fields up), press it; "Set user and password" is
# then disabled, so two fields down comes "Quit".
xdotool windowfocus --sync "$window" || fail "cannot focus the window"
realwindow_keys shift+Tab shift+Tab shift+Tab space Tab Tab Tab space
realwindow_wait_exit lockwright "after Quit"
echo "passed"
