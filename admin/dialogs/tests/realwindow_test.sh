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

if [ -z "${WARDLOCK_XVFB_DISPLAY:-}" ]; then
  echo "skipped: WARDLOCK_XVFB_DISPLAY is not set"
  exit 77
fi
for tool in xdotool import convert xwininfo; do
  if ! command -v "$tool" > /dev/null; then echo "skipped: $tool is missing"; exit 77; fi
done

mkdir -p "$shots" || exit 1
work=$(mktemp -d /tmp/wardlock-dialogs.XXXXXX)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2> /dev/null; then kill "$pid" 2> /dev/null; wait "$pid" 2> /dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; [ -f "$work/out" ] && cat "$work/out"; exit 1; }

export DISPLAY=$WARDLOCK_XVFB_DISPLAY WARDLOCK_SYSTEM_CONFIG="$work/system" WARDLOCK_USER_CONFIG="$work/user"
unset QT_QPA_PLATFORM

# Waits up to $1 seconds for a visible window named exactly $2; prints its id.
wait_window() {
  local deadline=$((SECONDS + $1)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name "^$2\$" 2> /dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$pid" 2> /dev/null || return 1
    sleep 0.2
  done
  return 1
}

# run NAME TITLE EXPECTED_OUTPUT_LINE KEYS...: shows dialog NAME, types KEYS
# ("type:TEXT" types text, anything else is a key), photographs it, presses
# Return and checks the viewer printed EXPECTED_OUTPUT_LINE.
run() {
  local name=$1 title=$2 expected=$3 id width height colours
  shift 3
  "$viewer" "$name" > "$work/out" 2>&1 &
  pid=$!
  id=$(wait_window 30 "$title") || fail "$name: no window \"$title\""
  xdotool windowfocus --sync "$id" || fail "$name: cannot focus"
  sleep 0.3
  for step in "$@"; do
    case $step in
      type:*) xdotool type --delay 20 "${step#type:}" ;;
      *) xdotool key --delay 100 "$step" ;;
    esac
    # Lets the application see a modifier released before the next key.
    sleep 0.2
  done
  sleep 0.5
  width=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
  height=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
  [ "$width" -le 1024 ] && [ "$height" -le 768 ] || fail "$name: ${width}x${height} does not fit 1024x768"
  import -window "$id" "$shots/$name.png" || fail "$name: no screenshot"
  colours=$(convert "$shots/$name.png" -format %k info:) || fail "$name: cannot read the screenshot"
  echo "$name: ${width}x${height}, $colours colours, $shots/$name.png"
  [ "$colours" -gt 16 ] || fail "$name: the window looks blank ($colours colours)"
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
run NewGroup "New group" "rightsfrom=3" type:audit Tab type:Auditors alt+s Tab End
run ChangeGroup "Group modification" "fullname=Counter clerks" Tab ctrl+a "type:Counter clerks"
run NewRight "New right" "defaults=1" type:Invoices Tab "type:Invoice register" alt+s space
run Password "Password change" "changed=n3w" type:n3w Tab type:n3w Tab space
echo "passed"
