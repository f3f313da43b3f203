#!/usr/bin/env bash
# Helpers of the real-window tests (source this file): programs run on the
# X server the test script started (WARDLOCK_XVFB_DISPLAY), driven by real X
# input through xdotool and photographed. realwindow_setup gives the test its
# work folder and fail MESSAGE (print and exit 1); the caller keeps the
# program's process id in $pid.

# Exits 77 (skipped) unless Xvfb runs and every tool named is installed.
realwindow_require() {
  if [ -z "${WARDLOCK_XVFB_DISPLAY:-}" ]; then
    echo "skipped: WARDLOCK_XVFB_DISPLAY is not set"
    exit 77
  fi
  local tool
  for tool in xdotool import convert xwininfo "$@"; do
    if ! command -v "$tool" > /dev/null; then echo "skipped: $tool is missing"; exit 77; fi
  done
}

# realwindow_setup NAME LOG [SCREEN]: a fresh work folder $work (removed at
# the exit, after the program $pid, if it still runs, is ended), fail MESSAGE
# that also prints $work/LOG when the program wrote it and photographs the
# whole screen into SCREEN when given, and the test's X server as the display
# of every program started from now on.
realwindow_setup() {
  work=$(mktemp -d "/tmp/wardlock-$1.XXXXXX") || { echo "FAILED: no work folder"; exit 1; }
  realwindow_log=$work/$2
  realwindow_failure_screen=${3:-}
  pid=
  trap realwindow_cleanup EXIT
  export DISPLAY=$WARDLOCK_XVFB_DISPLAY
  unset QT_QPA_PLATFORM
}

realwindow_cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2> /dev/null; then kill "$pid" 2> /dev/null; wait "$pid" 2> /dev/null; fi
  rm -rf "$work"
}

fail() {
  echo "FAILED: $*"
  if [ -n "${realwindow_failure_screen:-}" ] \
    && import -window root "$realwindow_failure_screen" 2> /dev/null; then
    echo "the screen at the failure: $realwindow_failure_screen"
  fi
  [ -n "${realwindow_log:-}" ] && [ -f "$realwindow_log" ] && cat "$realwindow_log"
  exit 1
}

# realwindow_demo_database WARDSCHEMA WARDSETTINGS: the demo security database
# in $work/warddemo.sqlite (the administrator's password is "admin") and the
# settings that lead warddemo to it (realwindow_demo_settings).
realwindow_demo_database() {
  "$1" demo --sqlite "$work/warddemo.sqlite" --admin-password admin > /dev/null \
    || fail "cannot make the demo database"
  realwindow_demo_settings "$2" "$work/warddemo.sqlite"
}

# realwindow_demo_settings WARDSETTINGS DATABASE: settings, in $work, that lead
# the demo programs to the SQLite DATABASE through the BDE provider (alias
# WardDemo2).
realwindow_demo_settings() {
  export WARDLOCK_SYSTEM_CONFIG="$work/settings" WARDLOCK_USER_CONFIG="$work/user"
  "$1" write 'Software\Torvane\Wardlock\DBProviders' 'Torvane:BDE' 'wardbde.dll' || fail "settings"
  "$1" write 'Software\Torvane\Wardlock\Aliases\WardDemo2' 'Driver' 'QSQLITE' || fail "settings"
  "$1" write 'Software\Torvane\Wardlock\Aliases\WardDemo2' 'Database' "$2" || fail "settings"
}

# Waits up to $1 seconds for a visible window named exactly $2; prints its id.
# Fails early when the program ($pid) has ended.
realwindow_wait() {
  local deadline=$((SECONDS + $1)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name "^$2\$" 2> /dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$pid" 2> /dev/null || return 1
    sleep 0.2
  done
  return 1
}

# Waits up to $1 seconds until no visible window is named exactly $2.
realwindow_wait_gone() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    [ -z "$(xdotool search --onlyvisible --name "^$2\$" 2> /dev/null)" ] && return 0
    sleep 0.2
  done
  return 1
}

# realwindow_wait_exit PROGRAM WHEN: waits up to 15 seconds for the program
# ($pid) to end; fails unless it ended, with status 0 ("PROGRAM did not end
# WHEN").
realwindow_wait_exit() {
  local deadline=$((SECONDS + 15)) status
  while kill -0 "$pid" 2> /dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  kill -0 "$pid" 2> /dev/null && fail "$1 did not end $2"
  wait "$pid"; status=$?
  pid=
  [ "$status" -eq 0 ] || fail "$1 ended with status $status"
}

# Keys to the focused window: "type:TEXT" types text, anything else is a key.
# The pause lets the application see a modifier released before the next key.
realwindow_keys() {
  local step
  for step in "$@"; do
    case $step in
      type:*) xdotool type --delay 20 "${step#type:}" ;;
      *) xdotool key --delay 100 "$step" ;;
    esac
    sleep 0.2
  done
}

# realwindow_photograph ID FILE: the window into FILE (PNG); fails unless it
# fits a 1024x768 screen and shows more than 16 colours (not blank).
realwindow_photograph() {
  local id=$1 file=$2 width height colours
  width=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
  height=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
  [ "$width" -le 1024 ] && [ "$height" -le 768 ] || fail "$file: ${width}x${height} does not fit 1024x768"
  import -window "$id" "$file" || fail "$file: no screenshot"
  colours=$(convert "$file" -format %k info:) || fail "$file: cannot read the screenshot"
  echo "$file: ${width}x${height}, $colours colours"
  [ "$colours" -gt 16 ] || fail "$file: the window looks blank ($colours colours)"
}
