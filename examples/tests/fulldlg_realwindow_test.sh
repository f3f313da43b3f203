#!/usr/bin/env bash
# The full administration dialog in real windows, through real X input
# (xdotool). warddemo logs the demo administrator in; "Security" opens the
# dialog, where he adds a clerk with "&New user ...", gives him Insert on the
# main window in the rights grid and his personal data (the "Person"
# parameter) through the value column's editor and the plug-in's dialog,
# looks at the parameter types, applies and closes. The new clerk then logs
# in (Logout, Login) and the main window's line shows the right granted; a
# fresh login of his reads the personal data back through GetParam. Last the
# deputy, an administrator restricted to the groups below his own, is told
# that no group is his to add users to, and tries to give the clerk Delete on the main window, which he does not hold himself:
# the refusal's message box appears and nothing is stored. The dialogs are
# photographed (with the parameter dialogs and the database settings editor)
# into the screenshots folder, checked not blank and small
# enough for 1024x768; the database must hold what was changed. Runs only
# when the test script started Xvfb (WARDLOCK_XVFB_DISPLAY); exit 77 =
# skipped.
# Usage: fulldlg_realwindow_test.sh WARDDEMO WARDSCHEMA WARDSETTINGS PARAMPROBE SCREENSHOT_FOLDER
set -uo pipefail
warddemo=$1 wardschema=$2 wardsettings=$3 paramprobe=$4 shots=$5

# shellcheck source=../../scripts/realwindow.sh
source "$(dirname "$0")/../../scripts/realwindow.sh"
realwindow_require sqlite3

mkdir -p "$shots" || exit 1
realwindow_setup fulldlg warddemo.log "$shots/FullDlgFailure.png"

query() { sqlite3 "$work/warddemo.sqlite" "$1"; }

realwindow_demo_database "$wardschema" "$wardsettings"

main= dialog=
focus() { xdotool windowfocus --sync "$1" || fail "cannot focus $2"; }
# The main window's line, as warddemo writes it to standard output.
last_line() { tail -n 1 "$work/warddemo.log"; }
wait_line() {
  local deadline=$((SECONDS + 10))
  until [ "$(last_line)" = "$1" ]; do
    [ $SECONDS -lt $deadline ] || fail "the main window shows \"$(last_line)\", not \"$1\""
    sleep 0.2
  done
}

# login USER PASSWORD: answers the login dialog.
login() {
  local window
  window=$(realwindow_wait 30 Authorization) || fail "$1: the login dialog did not appear"
  focus "$window" "the login dialog"
  realwindow_keys "type:$1" Tab "type:$2" Return
  realwindow_wait_gone 20 Authorization || fail "$1: the login dialog stayed open"
  main=$(realwindow_wait 10 MainFrm) || fail "$1: the main window is not shown"
}

# start USER PASSWORD: starts warddemo and logs USER in.
start() {
  "$warddemo" > "$work/warddemo.log" 2>&1 &
  pid=$!
  login "$1" "$2"
}

# Ctrl+Q closes the main window; warddemo must end cleanly.
quit() {
  focus "$main" "the main window"
  realwindow_keys ctrl+q
  realwindow_wait_exit warddemo "after its window was closed"
}

# The main window's buttons in order: Security, Login, Logout, SmallDlg.
# The focus is on "Security" when the window comes up and again after each
# dialog it opened; $1 are the keys from there to the button wanted.
main_keys() {
  focus "$main" "the main window"
  realwindow_keys "$@" space
}

# Opens the full dialog ("Security" has the focus when the window comes up
# and again after each dialog it opened).
open_dialog() {
  focus "$main" "the main window"
  realwindow_keys space
  dialog=$(realwindow_wait 20 "Security Administrator") || fail "the full dialog did not open"
  focus "$dialog" "the full dialog"
  sleep 0.5
}

shot() { realwindow_photograph "$dialog" "$shots/$1.png"; }

newbie="(select UserID from Users where Name = 'newbie')"
mainfrm="(select FormID from Forms where Name = 'MainFrm')"

# ---------------------------------------------------------------- the administrator
start admin admin
wait_line "Logged in as admin (Administrator); MainFrm rights: 15 (View, Insert, Modify, Delete)"
open_dialog
shot FullDlgUsers

# A new clerk: name, full name, the group (typing its name selects it) and
# a password.
realwindow_keys alt+n
newuser=$(realwindow_wait 10 "New user") || fail "the new-user dialog did not open"
focus "$newuser" "the new-user dialog"
realwindow_keys type:newbie Tab "type:Nathan Newbie" Tab type:Clerks
realwindow_photograph "$newuser" "$shots/FullDlgNewUser.png"
realwindow_keys alt+p
passwd=$(realwindow_wait 10 "Password change") || fail "the password dialog did not open"
focus "$passwd" "the password dialog"
realwindow_keys type:n3wbie Tab type:n3wbie Return
realwindow_wait_gone 10 "Password change" || fail "the password dialog stayed open"
focus "$newuser" "the new-user dialog again"
realwindow_keys Return
realwindow_wait_gone 10 "New user" || fail "the new-user dialog stayed open"
[ "$(query "select g.Name from Users u join Groups g on g.GroupID = u.GroupID where u.Name = 'newbie'")" = Clerks ] \
  || fail "the new user is not a clerk"

# The new user is selected. "&Forms and rights:" reaches his rights grid;
# typing in the read-only name column finds the main window's row; the
# fourth cell to its right (Insert) is ticked with space.
focus "$dialog" "the full dialog again"
realwindow_keys alt+f ctrl+Home type:Main Right Right space
# "&User parameters:" reaches the value grid (its letter is also the Users
# tab's: the first Alt+U after another accelerator goes to the label).
# "Personal data" is the valuepad parameter; Ctrl+Enter runs its editor.
realwindow_keys alt+u ctrl+Home "type:Personal" Right ctrl+Return
pad=$(realwindow_wait 10 "User personal data") || fail "the plug-in's dialog did not open"
focus "$pad" "the plug-in's dialog"
realwindow_keys type:Nat Tab type:Newbie Tab type:Nathan Tab "type:Elm Road" Tab type:12 Tab type:Shelbyville
realwindow_photograph "$pad" "$shots/ValuepadDialog.png"
realwindow_keys Return
realwindow_wait_gone 10 "User personal data" || fail "the plug-in's dialog stayed open"
focus "$dialog" "the full dialog again"
shot FullDlgNewbieRights
[ -z "$(query "select 1 from UserRights where UserID = $newbie")" ] || fail "rights were stored before Apply"
realwindow_keys alt+l
deadline=$((SECONDS + 10))
until [ "$(query "select FView || FInsert || FModify || FDelete from UserRights
    where UserID = $newbie and FormID = $mainfrm")" = 1100 ]; do
  [ $SECONDS -lt $deadline ] || fail "Apply did not store View and Insert on the main window for the new user"
  sleep 0.2
done
[ "$(query "select FValue from UserParams join Params using (ParamID)
    where UserID = $newbie and Name = 'PersonStrt'")" = "Elm Road" ] \
  || fail "Apply did not store the new user's street"

# The parameter types, from the Parameters tab.
realwindow_keys alt+p
sleep 0.3
shot FullDlgParams
realwindow_keys alt+t
types=$(realwindow_wait 10 "Parameter types") || fail "the parameter types dialog did not open"
realwindow_photograph "$types" "$shots/ParamTypes.png"
focus "$types" "the parameter types dialog"
realwindow_keys Escape
realwindow_wait_gone 10 "Parameter types" || fail "Escape did not close the parameter types"
# The new-parameter and security-parameters dialogs from the same tab: each
# is photographed and left with Escape, which stores nothing.
params_before=$(query "select count(*) from Params")
for step in "alt+n:New parameter:NewParam" "alt+y:Security database parameters:SecurityParams"; do
  IFS=: read -r key title file <<< "$step"
  focus "$dialog" "the full dialog again"
  realwindow_keys "$key"
  opened=$(realwindow_wait 10 "$title") || fail "$key did not open \"$title\""
  realwindow_photograph "$opened" "$shots/$file.png"
  focus "$opened" "$title"
  realwindow_keys Escape
  realwindow_wait_gone 10 "$title" || fail "Escape did not close \"$title\""
done
[ "$(query "select count(*) from Params")" = "$params_before" ] \
  || fail "a dialog left with Escape stored a parameter"
# A parameter of the built-in "Database" type (the fourth type) gets its
# "User" and "Passwd" sub-parameters; its value editor is the database
# settings editor, photographed and left with Escape.
focus "$dialog" "the full dialog again"
realwindow_keys alt+n
newparam=$(realwindow_wait 10 "New parameter") || fail "the new-parameter dialog did not open"
focus "$newparam" "the new-parameter dialog"
realwindow_keys type:ArchiveDb Tab "type:Archive database" alt+p ctrl+Home Down Down Down Return
realwindow_wait_gone 10 "New parameter" || fail "the new parameter was refused"
[ "$(query "select count(*) from Params where Name in ('ArchiveDb', 'ArchiveDbUser', 'ArchiveDbPasswd')")" = 3 ] \
  || fail "the Database parameter was not stored with its two sub-parameters"
focus "$dialog" "the full dialog again"
realwindow_keys alt+u alt+u ctrl+Home "type:Archive" Right ctrl+Return
dbedit=$(realwindow_wait 10 "Database settings editor") || fail "the database settings editor did not open"
realwindow_photograph "$dbedit" "$shots/DatabaseEditor.png"
focus "$dbedit" "the database settings editor"
realwindow_keys Escape
realwindow_wait_gone 10 "Database settings editor" || fail "Escape did not close the database settings editor"
focus "$dialog" "the full dialog again"
realwindow_keys alt+p
realwindow_keys alt+r
sleep 0.3
shot FullDlgRights
# Nothing is pending: OK closes without a question.
realwindow_keys Return
realwindow_wait_gone 10 "Security Administrator" || fail "OK did not close the full dialog"

# ---------------------------------------------------------------- the new user
# Logout, then Login: the new user's own right shows on the main window.
main_keys Tab Tab
wait_line "Not logged in"
main_keys shift+Tab
login newbie n3wbie
wait_line "Logged in as newbie (Nathan Newbie); MainFrm rights: 3 (View, Insert)"
quit

# A fresh login reads what the plug-in stored.
values=$(QT_QPA_PLATFORM=offscreen "$paramprobe" newbie n3wbie Person PersonSurnm PersonName \
  PersonStrt PersonHouse PersonPlace 2> "$work/probe.log") || { cat "$work/probe.log"; fail "the new user's fresh login failed"; }
expected="Person=Nat
PersonSurnm=Newbie
PersonName=Nathan
PersonStrt=Elm Road
PersonHouse=12
PersonPlace=Shelbyville"
[ "$values" = "$expected" ] || fail "GetParam after a fresh login gave:
$values"

# ---------------------------------------------------------------- the deputy
# He may change the clerks, but Delete on the main window is not his own.
start deputy deputy
wait_line "Logged in as deputy (Deputy Manager); MainFrm rights: 1 (View)"
open_dialog
# No group is his to add users to: the clerks administer the guests, whom
# the managers are kept away from.
realwindow_keys alt+n
nogroup=$(realwindow_wait 10 Information) || fail "\"New user ...\" did not say that the deputy has no group"
realwindow_photograph "$nogroup" "$shots/FullDlgNoGroup.png"
focus "$nogroup" "the information box"
realwindow_keys Return
realwindow_wait_gone 10 Information || fail "the information box stayed open"
focus "$dialog" "the full dialog again"
# "U&sers:" reaches the users grid; typing finds the new clerk.
realwindow_keys alt+s type:newbie
shot FullDlgDeputy
# A ticked box is posted at once: the grant is refused.
realwindow_keys alt+f ctrl+Home type:Main Right Right Right Right space
refusal=$(realwindow_wait 10 Error) || fail "the wider grant was not refused"
realwindow_photograph "$refusal" "$shots/FullDlgRefusal.png"
# X sees the box's title only; its text (message 96) is in the screenshot.
focus "$refusal" "the refusal"
realwindow_keys Return
realwindow_wait_gone 10 Error || fail "the refusal stayed open"
focus "$dialog" "the full dialog again"
realwindow_keys Escape
question=$(realwindow_wait 10 Confirmation)
if [ -n "$question" ]; then
  focus "$question" "the close question"
  realwindow_keys Return
fi
realwindow_wait_gone 10 "Security Administrator" || fail "the full dialog stayed open"
[ "$(query "select FView || FInsert || FModify || FDelete from UserRights
    where UserID = $newbie and FormID = $mainfrm")" = 1100 ] || fail "the refused Delete was stored"
quit
echo "passed"
