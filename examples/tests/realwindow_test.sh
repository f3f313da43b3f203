#!/usr/bin/env bash
# warddemo on a real X server: answers the real login dialog with the demo
# user through X input (xdotool), sees the main window, takes a screenshot,
# checks it is not blank, and closes the program. Runs only when the test
# script started Xvfb (WARDLOCK_XVFB_DISPLAY); exit 77 = skipped.
# Usage: realwindow_test.sh WARDDEMO WARDSCHEMA WARDSETTINGS
set -uo pipefail
warddemo=$1 wardschema=$2 wardsettings=$3

# shellcheck source=../../scripts/realwindow.sh
source "$(dirname "$0")/../../scripts/realwindow.sh"
realwindow_require

realwindow_setup realwindow warddemo.log
realwindow_demo_database "$wardschema" "$wardsettings"

"$warddemo" > "$work/warddemo.log" 2>&1 &
pid=$!

dialog=$(realwindow_wait 30 Authorization) || fail "the login dialog did not appear"
# Real key presses into the focused user box (the dialog focuses it when shown).
xdotool windowfocus --sync "$dialog" || fail "cannot focus the login dialog"
xdotool type --delay 30 demo
xdotool key Tab
xdotool type --delay 30 demo
xdotool key Return
realwindow_wait_gone 20 Authorization || fail "the login dialog stayed open"
sleep 0.5
[ -z "$(xdotool search --onlyvisible --name '^Invalid login' 2> /dev/null)" ] || fail "the login was refused"
kill -0 "$pid" 2> /dev/null || fail "warddemo ended"
main=$(realwindow_wait 10 MainFrm) || fail "the main window is not shown"
xwininfo -id "$main" | grep -q 'Map State: IsViewable' || fail "the main window is not viewable"

import -window root "$work/shot.png" || fail "no screenshot"
colours=$(convert "$work/shot.png" -format %k info:) || fail "cannot read the screenshot"
echo "screenshot colours: $colours"
[ "$colours" -gt 16 ] || fail "the screen looks blank ($colours colours)"

# Close the main window like a user (Ctrl+Q); the program ends with it.
xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
xdotool key ctrl+q
realwindow_wait_exit warddemo "after its window was closed"
echo "passed"
