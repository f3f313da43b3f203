#!/usr/bin/env bash
# The group hierarchy editor as an administrator reaches it in warddemo, in
# real windows driven by real X input (xdotool). The demo administrator logs
# in, opens "Security" and its "Hierarchy ...":
#   save run: draws a strong relation between two groups that had none,
#     retypes the managers' negative relation to the guests to a weak one
#     through the relation's pop-up menu, moves the guests' box, saves, and
#     closes the full dialog with OK. The database then holds exactly the new
#     relation set, only the guests' position changed, and the deputy (a
#     manager, a restricted administrator) logged in before and after sees in
#     his own editor that he may now modify the guests as well as the clerks
#     (the boxes of the groups one may modify have green texts). The editor
#     opened again shows the box where it was left.
#   exit run: the same changes, then "Exit without saving" answered with Yes;
#     the database is the same, byte for byte of its dump, as before.
# Boxes are found from their stored positions (Groups.Position) and the
# canvas's place in the window, which a screenshot shows: the canvas is the
# white area, the boxes are filled #F4F4F4. The editor before and after
# saving is photographed into the screenshots folder and checked not blank.
# Runs only when the test script started Xvfb (WARDLOCK_XVFB_DISPLAY); exit
# 77 = skipped.
# Usage: hierarchy_realwindow_test.sh WARDDEMO WARDSCHEMA WARDSETTINGS SCREENSHOT_FOLDER
set -uo pipefail
warddemo=$1 wardschema=$2 wardsettings=$3 shots=$4

# shellcheck source=../../scripts/realwindow.sh
source "$(dirname "$0")/../../scripts/realwindow.sh"
realwindow_require sqlite3

mkdir -p "$shots" || exit 1
realwindow_setup hierarchy warddemo.log "$shots/HierarchyFailure.png"

database=$work/warddemo.sqlite
query() { sqlite3 "$database" "$1"; }

realwindow_demo_settings "$wardsettings" "$database"

# --- the database ---

fresh_database() {
  rm -f "$database"
  "$wardschema" demo --sqlite "$database" --admin-password admin > /dev/null \
    || fail "cannot make the demo database"
}
# Every relation as "Group>ModGroup Type", sorted, one line.
relations() {
  query "select g.Name || '>' || m.Name || ' ' || r.Type from ModGroups r
    join Groups g on g.GroupID = r.GroupID join Groups m on m.GroupID = r.ModGroupID
    order by 1" | paste -sd '|'
}
# Every group as "Name=top,left".
positions() {
  query "select Name || '=' || (Position >> 16) || ',' || (Position & 65535) from Groups
    order by Name" | paste -sd ' '
}
# The top and the left of a group's box on the canvas.
box_top() { query "select Position >> 16 from Groups where Name = '$1'"; }
box_left() { query "select Position & 65535 from Groups where Name = '$1'"; }
# --- the program ---

# Starts warddemo, logs user $1 in (password $2) and opens "Security".
start_as() {
  "$warddemo" > "$work/warddemo.log" 2>&1 &
  pid=$!
  local login
  login=$(realwindow_wait 30 Authorization) || fail "the login dialog did not appear"
  xdotool windowfocus --sync "$login" || fail "cannot focus the login dialog"
  realwindow_keys "type:$1" Tab "type:$2" Return
  realwindow_wait_gone 20 Authorization || fail "the login dialog stayed open"
  main=$(realwindow_wait 10 MainFrm) || fail "the main window is not shown"
  grep -q "^Logged in as $1 " "$work/warddemo.log" || fail "$1 is not logged in"
  xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
  # "Security" is the first button and has the focus.
  realwindow_keys space
  dialog=$(realwindow_wait 20 "Security Administrator") || fail "the full dialog did not open"
}

# Opens the editor with the keys given, which reach "Hierarchy ..." in the
# full dialog (it comes after the group list's buttons "Ne&w group ...",
# "C&hange ..." and "Re&move..." in the tab order).
open_editor() {
  xdotool windowfocus --sync "$dialog" || fail "cannot focus the full dialog"
  realwindow_keys "$@" space
  editor=$(realwindow_wait 20 "Group Hierarchy Editor") || fail "\"Hierarchy ...\" did not open the editor"
  xdotool windowfocus --sync "$editor" || fail "cannot focus the editor"
  find_canvas
}
# The administrator: "Gr&oup:" reaches the group list, the next four are
# its buttons.
admin_to_hierarchy=(alt+o Tab Tab Tab Tab)
# The deputy: the dialog starts on the tab bar; he may not remove users, and
# the group list and its "C&hange ..." and "Re&move..." are disabled for him
# (his own group is the current one), so the Tab key passes the users grid,
# "&New user ...", "&Change ..." and "Ne&w group ...".
deputy_to_hierarchy=(Tab Tab Tab Tab Tab)

# The colour of a pixel of a picture, as RRGGBB.
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }
# The first white pixel along a one-pixel line of a picture (crop geometry).
first_white() {
  convert "$1" -crop "$2" +repage -depth 8 txt:- | awk -F'[,:]' -v axis="$3" \
    '/#FFFFFF/ { print (axis == "x" ? $1 : $2); exit }'
}

# Finds where canvas point (0, 0) lies in the editor's window (origin_x,
# origin_y), and an empty canvas spot (empty_x, empty_y, window points): the
# canvas is the white area below the tool bar; the leftmost and the topmost
# box are the stored ones. Looks again while the window is still being
# painted.
find_canvas() {
  local deadline=$((SECONDS + 10))
  until locate_canvas; do
    [ $SECONDS -lt $deadline ] || fail "$canvas_problem"
    sleep 0.3
  done
}
locate_canvas() {
  local shot=$work/canvas.png width height viewport_x viewport_y boxes bx by
  canvas_problem="no screenshot of the editor"
  import -window "$editor" "$shot" || return 1
  width=$(convert "$shot" -format %w info:)
  height=$(convert "$shot" -format %h info:)
  empty_x=$((width / 2)) empty_y=$((height * 4 / 5))
  viewport_x=$(first_white "$shot" "${width}x1+0+$empty_y" x)
  viewport_y=$(first_white "$shot" "1x${height}+$empty_x+0" y)
  canvas_problem="no canvas in the editor's window"
  [ -n "$viewport_x" ] && [ -n "$viewport_y" ] || return 1
  boxes=$(convert "$shot" -crop "$((width - viewport_x))x$((height - viewport_y))+$viewport_x+$viewport_y" \
    +repage -fill black +opaque '#F4F4F4' -format '%@' info:)
  bx=$(echo "$boxes" | cut -d+ -f2) by=$(echo "$boxes" | cut -d+ -f3)
  canvas_problem="no boxes on the canvas"
  [ -n "$bx" ] && [ -n "$by" ] || return 1
  # The fill starts one pixel inside the border.
  origin_x=$((viewport_x + bx - 1 - $(query "select min(Position & 65535) from Groups")))
  origin_y=$((viewport_y + by - 1 - $(query "select min(Position >> 16) from Groups")))
  canvas_problem="the administrators' box is not where the canvas places it"
  [ "$(pixel "$shot" "$((origin_x + $(box_left Admins) + 6))" "$((origin_y + $(box_top Admins) + 8))")" = F4F4F4 ]
}

# The groups whose boxes in the last picture of the canvas have green
# texts: those the logged user may modify.
green_boxes() {
  local name green
  for name in $(query "select Name from Groups order by Name"); do
    green=$(convert "$work/canvas.png" -crop "96x36+$((origin_x + $(box_left "$name") + 2))+$((origin_y + $(box_top "$name") + 2))" \
      +repage -fuzz 12% -fill black +opaque '#008000' -fill white -opaque '#008000' \
      -format '%[fx:round(mean*w*h)]' info:)
    [ "$green" -gt 20 ] && echo "$name"
  done | paste -sd ' '
}

# Moves the mouse to a canvas point; to a point in a group's box.
to_canvas() { xdotool mousemove --window "$editor" $((origin_x + $1)) $((origin_y + $2)); sleep 0.1; }
to_box() { to_canvas $(($(box_left "$1") + 30)) $(($(box_top "$1") + 12)); }
# Drags with the left button from one canvas point to another.
drag() {
  local step
  to_canvas "$1" "$2"
  xdotool mousedown 1
  for step in 1 2 3 4 5 6 7 8; do
    to_canvas $(($1 + ($3 - $1) * step / 8)) $(($2 + ($4 - $2) * step / 8))
  done
  xdotool mouseup 1
  sleep 0.3
}
drag_box_to_box() {
  drag $(($(box_left "$1") + 30)) $(($(box_top "$1") + 12)) \
    $(($(box_left "$2") + 30)) $(($(box_top "$2") + 12))
}
# The canvas's own pop-up menu (right button on empty canvas), then keys:
# Select, Negative, Weak, Strong, Add new group, Restore group, Save and
# exit, Exit without saving.
space_menu() {
  xdotool mousemove --window "$editor" "$empty_x" "$empty_y"
  sleep 0.1
  popup_menu "$@"
}
# The right button where the mouse is, then keys into the pop-up menu it
# opens: a window of the program's own, without a name.
popup_menu() {
  local before deadline
  before=$(program_windows)
  xdotool click 3
  deadline=$((SECONDS + 5))
  while [ "$(program_windows)" -le "$before" ]; do
    [ $SECONDS -lt $deadline ] || fail "the right button opened no pop-up menu"
    sleep 0.1
  done
  sleep 0.2
  realwindow_keys "$@"
}
program_windows() { xdotool search --onlyvisible --class warddemo 2> /dev/null | wc -l; }

# Draws a strong relation from the administrators to $1, retypes the
# managers' negative relation to the guests to a weak one (its pop-up menu:
# Revert direction and Change to negative are disabled for a negative
# relation, so Up reaches "Change to weak relation" first), moves the guests'
# box by (80, 60).
edit_hierarchy() {
  space_menu Down Down Down Down Return
  drag_box_to_box Admins "$1"
  # A point on the managers' arrow to the guests, 40% along from the side of
  # the managers' box that faces the guests' box.
  local from_x from_y to_x to_y
  from_x=$(($(box_left Managers) + 100)) from_y=$(($(box_top Managers) + 22))
  to_x=$(box_left Guests) to_y=$(($(box_top Guests) + 22))
  to_canvas $((from_x + (to_x - from_x) * 2 / 5)) $((from_y + (to_y - from_y) * 2 / 5))
  popup_menu Up Return
  [ -z "$(xdotool search --onlyvisible --name '^Confirmation$' 2> /dev/null)" ] \
    || fail "the click missed the managers' relation to the guests"
  guests_x=$(box_left Guests) guests_y=$(box_top Guests)
  drag $((guests_x + 30)) $((guests_y + 12)) $((guests_x + 110)) $((guests_y + 72))
}

# OK of the full dialog: the group list lets Return reach the default button.
close_dialog_with_ok() {
  xdotool windowfocus --sync "$dialog" || fail "cannot focus the full dialog"
  realwindow_keys alt+o Return
  realwindow_wait_gone 20 "Security Administrator" || fail "OK did not close the full dialog"
}

end_program() {
  xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
  realwindow_keys ctrl+q
  realwindow_wait_exit warddemo "after its window was closed"
}

# "Exit without saving", message 44 answered with Yes (its default).
exit_without_saving() {
  space_menu Up Return
  local question
  question=$(realwindow_wait 10 Confirmation) || fail "\"Exit without saving\" did not ask"
  xdotool windowfocus --sync "$question" || fail "cannot focus the question"
  realwindow_keys Return
  realwindow_wait_gone 10 "Group Hierarchy Editor" || fail "the editor stayed open"
}

# The groups the deputy, a manager, may modify, as his editor shows them
# (into deputy_groups).
deputy_view() {
  start_as deputy deputy
  open_editor "${deputy_to_hierarchy[@]}"
  deputy_groups=$(green_boxes)
  exit_without_saving
  xdotool windowfocus --sync "$dialog" || fail "cannot focus the full dialog"
  realwindow_keys Escape
  realwindow_wait_gone 20 "Security Administrator" || fail "Escape did not close the full dialog"
  end_program
}

# --- save run ---
fresh_database
deputy_view
[ "$deputy_groups" = Clerks ] || fail "the deputy starts with the groups \"$deputy_groups\""
echo "${SECONDS}s: the deputy may modify: $deputy_groups"
positions_before=$(positions)
start_as admin admin
open_editor "${admin_to_hierarchy[@]}"
edit_hierarchy Guests
realwindow_photograph "$editor" "$shots/HierarchyBeforeSave.png"
space_menu Up Up Return
realwindow_wait_gone 20 "Group Hierarchy Editor" || fail "\"Save and exit\" did not close the editor"

# Opened again, the editor shows the guests' box where it was left.
open_editor "${admin_to_hierarchy[@]}"
realwindow_photograph "$editor" "$shots/HierarchyAfterSave.png"
moved=$work/canvas.png
[ "$(pixel "$moved" $((origin_x + guests_x + 86)) $((origin_y + guests_y + 68)))" = F4F4F4 ] \
  || fail "the guests' box is not shown at its new place"
[ "$(pixel "$moved" $((origin_x + guests_x + 50)) $((origin_y + guests_y + 36)))" = FFFFFF ] \
  || fail "the guests' box is still shown at its old place"
exit_without_saving
close_dialog_with_ok
end_program

expected="Admins>Admins 2|Admins>Guests 2|Admins>Managers 2|Clerks>Guests 2|Managers>Clerks 2|Managers>Guests 1"
[ "$(relations)" = "$expected" ] || fail "relations after saving: $(relations), expected $expected"
expected=${positions_before/Guests=220,200/Guests=280,280}
[ "$expected" != "$positions_before" ] || fail "the demo's guests no longer start at 220,200"
[ "$(positions)" = "$expected" ] || fail "positions after saving: $(positions), expected $expected"
deputy_view
[ "$deputy_groups" = "Clerks Guests" ] \
  || fail "the deputy may modify the groups \"$deputy_groups\", expected the clerks and the guests"
echo "${SECONDS}s: the deputy may modify: $deputy_groups"
echo "${SECONDS}s: save run passed"

# --- exit run ---
fresh_database
dump_before=$(query .dump)
start_as admin admin
open_editor "${admin_to_hierarchy[@]}"
edit_hierarchy Clerks
exit_without_saving
close_dialog_with_ok
end_program
[ "$(query .dump)" = "$dump_before" ] || fail "leaving without saving changed the database: $(diff <(echo "$dump_before") <(query .dump))"
echo "${SECONDS}s: passed"
