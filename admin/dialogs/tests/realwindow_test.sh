#!/usr/bin/env bash
# The user, group, right and password dialogs in real windows: each is shown
# by the viewer program, filled in through real X input (xdotool),
# photographed into the screenshots folder, checked not blank and small
# enough for a 1024x768 screen, and confirmed with Enter; the viewer's output
# must show what was typed. Runs only when the test script started Xvfb
# (WARDLOCK_XVFB_DISPLAY); exit 77 = skipped.
# Usage: realwindow_test.sh VIEWER SCREENSHOT_FOLDER
set -uo pipefail
viewer=$1 shots=$2

# shellcheck source=../../../scripts/realwindow.sh
source "$(dirname "$0")/../../../scripts/realwindow.sh"
realwindow_require

mkdir -p "$shots" || exit 1
realwindow_setup dialogs out
export WARDLOCK_SYSTEM_CONFIG="$work/system" WARDLOCK_USER_CONFIG="$work/user"

# run NAME TITLE EXPECTED_OUTPUT_LINE KEYS...: shows dialog NAME, types KEYS
# ("type:TEXT" types text, anything else is a key), photographs it, presses
# Return and checks the viewer printed EXPECTED_OUTPUT_LINE.
run() {
  local name=$1 title=$2 expected=$3 id
  shift 3
  "$viewer" "$name" > "$work/out" 2>&1 &
  pid=$!
  id=$(realwindow_wait 30 "$title") || fail "$name: no window \"$title\""
  xdotool windowfocus --sync "$id" || fail "$name: cannot focus"
  sleep 0.3
  realwindow_keys "$@"
  sleep 0.5
  realwindow_photograph "$id" "$shots/$name.png"
  xdotool key Return
  local deadline=$((SECONDS + 15))
  while kill -0 "$pid" 2> /dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  kill -0 "$pid" 2> /dev/null && fail "$name: Enter did not close the dialog"
  wait "$pid"
  pid=
  grep -qx "result=ok" "$work/out" || fail "$name: not confirmed"
  grep -qx "$expected" "$work/out" || fail "$name: expected $expected"
}

# The focus starts on the first edit of each dialog.
run NewUser "New user" "group=2" type:newbie Tab "type:New Bie" Tab Down
run ChangeUser "User name change" "fullname=Clara Counter" Tab ctrl+a "type:Clara Counter"
run ChangeUser "User name change" "lockcleared=yes" alt+l
run NewGroup "New group" "rightsfrom=3" type:audit Tab type:Auditors alt+s Tab End
run ChangeGroup "Group modification" "fullname=Counter clerks" Tab ctrl+a "type:Counter clerks"
run NewRight "New right" "defaults=1" type:Invoices Tab "type:Invoice register" alt+s space
run Password "Password change" "changed=n3w" type:n3w Tab type:n3w Tab space
echo "passed"
