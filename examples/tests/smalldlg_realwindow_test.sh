#!/usr/bin/env bash
# The simple administration dialog and the password changes in real windows,
# through real X input (xdotool). In its own demo database the clerks may view
# "Security" and their policy forces a new password at login. warddemo logs
# the demo user in; the forced change cannot be escaped and stores a new
# password; "SmallDlg" opens the dialog, where he types a new value for his
# "Language" parameter and applies it, changes his password from the dialog
# and closes with OK (answering the apply question with Yes). The three
# dialogs are photographed into the screenshots folder, checked not blank and
# small enough for 1024x768; the database must hold what was changed. Runs
# only when the test script started Xvfb (WARDLOCK_XVFB_DISPLAY); exit 77 =
# skipped.
# Usage: smalldlg_realwindow_test.sh WARDDEMO WARDSCHEMA WARDSETTINGS SCREENSHOT_FOLDER
set -uo pipefail
warddemo=$1 wardschema=$2 wardsettings=$3 shots=$4

# shellcheck source=../../scripts/realwindow.sh
source "$(dirname "$0")/../../scripts/realwindow.sh"
realwindow_require sqlite3

mkdir -p "$shots" || exit 1
realwindow_setup smalldlg warddemo.log

query() { sqlite3 "$work/warddemo.sqlite" "$1"; }

realwindow_demo_database "$wardschema" "$wardsettings"
# As an administrator would: the clerks may view "Security", so the simple
# dialog lets the demo user change the values his parameters allow.
query "update GroupRights set FView = 1 where GroupID = (select GroupID from Groups where Name = 'Clerks')
  and FormID = (select FormID from Forms where Name = 'Security')" || fail "cannot grant the clerks View"
# ... and the clerks' policy demands a new password at login.
query "update Groups set NoChPswdAtLogin = 0 where Name = 'Clerks'" || fail "cannot demand a change"
language="(select ParamID from Params where Name = 'Language')"
demo="(select UserID from Users where Name = 'demo')"
[ "$(query "select FValue from UserParams where UserID = $demo and ParamID = $language")" = de ] \
  || fail "the demo user does not start with his own language \"de\""
passwd_before=$(query "select hex(Passwd) from Users where Name = 'demo'")

"$warddemo" > "$work/warddemo.log" 2>&1 &
pid=$!

login=$(realwindow_wait 30 Authorization) || fail "the login dialog did not appear"
xdotool windowfocus --sync "$login" || fail "cannot focus the login dialog"
realwindow_keys type:demo Tab type:demo Return
realwindow_wait_gone 20 Authorization || fail "the login dialog stayed open"

# The forced change comes right after the login and cannot be escaped.
forced=$(realwindow_wait 20 "Password change") || fail "no password change was forced"
xdotool windowfocus --sync "$forced" || fail "cannot focus the forced password change"
realwindow_keys Escape
sleep 0.5
[ -n "$(xdotool search --onlyvisible --name '^Password change$')" ] || fail "Escape ended the forced change"
xdotool windowfocus --sync "$forced" || fail "cannot focus the forced password change"
realwindow_keys type:demo Tab type:f0rced Tab type:f0rced
realwindow_photograph "$forced" "$shots/ForcedPassword.png"
realwindow_keys Return
realwindow_wait_gone 10 "Password change" || fail "the forced change did not end"
[ "$(query "select hex(Passwd) from Users where Name = 'demo'")" != "$passwd_before" ] \
  || fail "the forced change stored nothing"
passwd_before=$(query "select hex(Passwd) from Users where Name = 'demo'")
main=$(realwindow_wait 10 MainFrm) || fail "the main window is not shown"
xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
# The buttons in order: Security, Login, Logout, SmallDlg; the first has the focus.
realwindow_keys Tab Tab Tab space
dialog=$(realwindow_wait 20 Security) || fail "the simple dialog did not open"
xdotool windowfocus --sync "$dialog" || fail "cannot focus the simple dialog"
sleep 0.5

# "&Parameters:" reaches the grid; its first row is the language. The value
# cell is to the right; F2 edits it.
realwindow_keys alt+p Home Right F2 ctrl+a type:fr Return
realwindow_photograph "$dialog" "$shots/SmallDlg.png"
realwindow_keys alt+a
sleep 0.5
[ "$(query "select FValue from UserParams where UserID = $demo and ParamID = $language")" = fr ] \
  || fail "Apply did not store the new language"

realwindow_keys alt+s
passwd=$(realwindow_wait 10 "Password change") || fail "the password dialog did not open"
xdotool windowfocus --sync "$passwd" || fail "cannot focus the password dialog"
realwindow_keys type:f0rced Tab type:n3w-demo Tab type:n3w-demo
realwindow_photograph "$passwd" "$shots/SmallDlgPassword.png"
realwindow_keys Return
realwindow_wait_gone 10 "Password change" || fail "the password dialog stayed open"

# OK asks whether to apply the pending password change; Yes is the default.
# The focus came back to the grid, where Enter edits: "&User:" leaves it.
xdotool windowfocus --sync "$dialog" || fail "cannot focus the simple dialog again"
realwindow_keys alt+u Return
question=$(realwindow_wait 10 Confirmation) || fail "OK did not ask about the pending change"
xdotool windowfocus --sync "$question" || fail "cannot focus the question"
realwindow_keys Return
realwindow_wait_gone 10 Security || fail "the simple dialog stayed open"
[ "$(query "select hex(Passwd) from Users where Name = 'demo'")" != "$passwd_before" ] \
  || fail "the new password was not stored"

xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
realwindow_keys ctrl+q
realwindow_wait_exit warddemo "after its window was closed"
echo "passed"
