#!/usr/bin/env bash
# Tray interaction end to end: starting shortcuts by double and single click,
# the popup of a right-click, deleting to the recycle bin and for good,
# renaming through the dialog, and tray clicks that start nothing while the
# rename dialog is open. The real ombrix.exe in trayer, driven by xdotool.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/ui"
folder="$work/Leiste"
trash="$HOME/.local/share/Trash/files"
rm -rf "$work"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
# Two shortcuts to begin with; the scenario adds more as it goes, so the icons
# follow the folder in between.
for name in Editor Spiel; do
  make_marker_shortcut "$folder/$name.lnk" "$work/$name.marker"
done
rm -f "$trash"/Post*.lnk "$trash"/Spiel*.lnk

# Wine learns where a docked icon is only some time after it is docked.
settle() { sleep 2; }


# Icons are docked right to left in the order they were added, so entry i of
# n is the (n - i)-th from the left.
entry_icon() {
  local n
  n=$(tray_icon_count)
  tray_icon $((n - $1))
}

double_click() { xdotool mousemove --window "$(entry_icon "$1")" 8 8 click --repeat 2 --delay 80 1; }
single_click() { xdotool mousemove --window "$(entry_icon "$1")" 8 8 click 1; }
right_click() { xdotool mousemove --window "$(entry_icon "$1")" 8 8 click 3; }

marker_is() { [ "$(marker_count "$work/$1.marker")" -eq "$2" ]; }
expect_marker() {
  wait_until 20 marker_is "$1" "$2" || fail "$1 started $(marker_count "$work/$1.marker") times, expected $2"
}
# The count must stay as it is for a while.
expect_marker_stays() {
  sleep "${3:-3}"
  marker_is "$1" "$2" || fail "$1 started $(marker_count "$work/$1.marker") times, expected $2"
}

# The open popup menu: an unnamed, mapped window of ombrix.exe.
popup_window() {
  local w
  for w in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && { echo "$w"; return 0; }
  done
  return 1
}
# menu_keys KEY...: types keys into the open popup (the menu reads the keys
# of the window that has the focus).
menu_keys() {
  local w
  wait_until 10 popup_window >/dev/null || fail "no popup menu"
  w=$(popup_window)
  xdotool windowfocus "$w" 2>/dev/null || true
  xdotool key --delay 150 "$@"
}
no_popup() { ! popup_window >/dev/null; }

# A visible window of ombrix.exe with a title other than the program's own.
dialog_window() {
  local w name
  for w in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
    name=$(xdotool getwindowname "$w" 2>/dev/null)
    case "$name" in "" | "Default IME" | "Ombrix+") ;; *) echo "$w"; return 0 ;; esac
  done
  return 1
}
wait_for_dialog() { wait_until 20 dialog_window >/dev/null || fail "no dialog: $1"; dialog_window; }
no_dialog() { ! dialog_window >/dev/null; }

start_tray
start_ombrix "$folder"
ombrix=$OMBRIX_PID
wait_for_program_window || fail "the program has no window"
wait_for_icon_count 2
settle

note "double-click mode: a double-click starts the shortcut, a single click nothing"
double_click 0
expect_marker Editor 1
single_click 1
expect_marker_stays Spiel 0

note "right-click: the popup with the shortcut's submenu"
right_click 1
wait_until 10 popup_window >/dev/null || fail "no popup after a right-click"
screenshot e2e_ui-popup
menu_keys Down Right
sleep 0.5
screenshot e2e_ui-popup-submenu
menu_keys Return  # "Öffnen" is the first item of the submenu
expect_marker Spiel 1
wait_until 10 no_popup || fail "the popup stayed open"

note "delete: after the shell's confirmation the file goes to the recycle bin"
right_click 1
menu_keys Down Right Down Return  # past the separator to "Löschen"
confirm=$(wait_for_dialog "delete confirmation")
screenshot e2e_ui-delete-confirm
press "$confirm" Return
wait_until 20 bash -c "[ ! -e '$folder/Spiel.lnk' ]" || fail "Spiel.lnk was not deleted"
[ -e "$trash/Spiel.lnk" ] || fail "Spiel.lnk is not in the recycle bin"
wait_for_icon_count 1

note "Shift+delete: the file is deleted for good"
make_marker_shortcut "$folder/Post.lnk" "$work/Post.marker"
wait_for_icon_count 2
settle
right_click 1
menu_keys Down Right Down
xdotool keydown shift
xdotool key Return
confirm=$(wait_for_dialog "delete confirmation with Shift")
xdotool keyup shift
screenshot e2e_ui-shift-delete-confirm
press "$confirm" Return
wait_until 20 bash -c "[ ! -e '$folder/Post.lnk' ]" || fail "Post.lnk was not deleted"
[ ! -e "$trash/Post.lnk" ] || fail "Post.lnk went to the recycle bin despite Shift"
wait_for_icon_count 1

note "rename: through the dialog; the icons follow"
make_marker_shortcut "$folder/Rechner.lnk" "$work/Rechner.marker"
wait_for_icon_count 2
settle
right_click 0
menu_keys Down Right Down Down Return  # "Umbenennen"
dialog=$(wait_for_dialog "rename dialog")
[ "$(xdotool getwindowname "$dialog")" = "Umbenennen" ] || fail "the dialog is not Umbenennen"
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
xdotool type --delay 80 "Notizen"
screenshot e2e_ui-rename-dialog
xdotool key Return
wait_until 20 bash -c "[ -e '$folder/Notizen.lnk' ] && [ ! -e '$folder/Editor.lnk' ]" ||
  fail "Editor.lnk was not renamed to Notizen.lnk"
wait_until 10 no_dialog || fail "the rename dialog stayed open"
wait_for_icon_count 2
settle
# Sorted again: Notizen is entry 0, Rechner entry 1; Notizen still starts the editor's marker.
double_click 0
expect_marker Editor 2

note "while the rename dialog is open, tray clicks start nothing"
right_click 1
menu_keys Down Right Down Down Return
dialog=$(wait_for_dialog "second rename dialog")
double_click 0
right_click 0
sleep 2
no_popup || fail "a popup opened while the rename dialog was open"
expect_marker_stays Editor 2 1
screenshot e2e_ui-clicks-while-renaming
[ "$(dialog_window)" = "$dialog" ] || fail "the rename dialog went away"
press "$dialog" Escape
wait_until 10 no_dialog || fail "Escape did not close the rename dialog"
[ -e "$folder/Rechner.lnk" ] || fail "cancel renamed Rechner.lnk"
double_click 0
expect_marker Editor 3

note "single-click mode: one click starts the shortcut once, a double-click once"
close_program
expect_exit "$ombrix" 20 "the program did not end with 0"
mapfile -t ini < <(default_settings | sed 's/^Öffnen=.*/Öffnen=Einfacher Klick/')
{ printf '[Ombrix+ Optionen]\r\n'; printf '%s\r\n' "${ini[@]}"; } | iconv -f UTF-8 -t CP1252 >"$folder/ombrix.ini"
start_ombrix "$folder"
ombrix=$OMBRIX_PID
wait_for_program_window || fail "the program has no window"
wait_for_icon_count 2
single_click 1
expect_marker Rechner 1
expect_marker_stays Rechner 1 2
double_click 1
expect_marker Rechner 2
expect_marker_stays Rechner 2 2

close_program
expect_exit "$ombrix" 20 "the program did not end with 0"
echo "e2e_ui: all steps passed"
