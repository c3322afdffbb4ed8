#!/usr/bin/env bash
# Desktop menu end to end: with "Desktop-Menü=Ja" a right-click popup starts
# with the Desktop's items, drawn with icon and label; choosing one opens it;
# a typed first character of an item text selects that item; with the option
# off the popup has only its own three items.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/desktop"
folder="$work/Leiste"
desktop="$HOME/Desktop"
placed=("$desktop/Markierer.lnk" "$desktop/Ordner" "$desktop/Zettel.txt")
# Other tests share the session's Desktop: leave it as it was found.
trap 'rm -rf "${placed[@]}"; cleanup' EXIT

[ -z "$(ls -A "$desktop")" ] || fail "the session's Desktop is not empty: $(ls -A "$desktop")"
rm -rf "$work"; mkdir -p "$work"
make_marker_shortcut "$desktop/Markierer.lnk" "$work/desktop.marker"
mkdir -p "$desktop/Ordner"
printf 'Zettel\r\n' >"$desktop/Zettel.txt"

# settings_with VALUE: the default settings with the desktop menu set to VALUE.
settings_with() { default_settings | sed "s/^Desktop-Menü=.*/Desktop-Menü=$1/"; }

# The open popup of ombrix.exe as "WINDOW X Y WIDTH HEIGHT".
popup_geometry() {
  local id
  id=$(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null | head -1)
  [ -n "$id" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "$id $X $Y $WIDTH $HEIGHT"
}

open_popup() {
  xdotool mousemove --window "$(tray_icon 1)" 8 8 click 3
  wait_until 10 popup_geometry >/dev/null || fail "no popup after a right-click"
  sleep 0.5
  popup_geometry
}

close_popup() {
  xdotool key Escape
  sleep 0.3
  popup_geometry >/dev/null && xdotool key Escape
  wait_until 5 bash -c '! xdotool search --onlyvisible --class ombrix.exe >/dev/null 2>&1' || fail "the popup did not close"
}

# run_program VALUE: starts ombrix.exe with the desktop menu set to VALUE.
run_program() {
  mapfile -t ini < <(settings_with "$1")
  make_program_folder "$folder" "${ini[@]}"
  make_marker_shortcut "$folder/Editor.lnk" "$work/editor.marker"
  start_ombrix "$folder"
  PROGRAM_PID=$OMBRIX_PID
  wait_for_program_window || fail "the program has no window"
  wait_until 20 bash -c '[ "$(tray_icon_count)" -ge 1 ]' || fail "no tray icon"
}

stop_program() {
  close_program
  expect_exit "$PROGRAM_PID" 20 "the program did not end with 0"
}

start_tray

note "option off: the popup has its own three items only"
run_program Nein
read -r _ _ _ _ height_off < <(open_popup)
screenshot e2e_desktop-option-off
close_popup
stop_program

note "option on: the Desktop's three items above a separator"
run_program Ja
read -r menu x y width height < <(open_popup)
screenshot e2e_desktop-items
note "popup ${width}x${height} at $x,$y (option off: height $height_off)"
item_height=$(( (height - height_off) / 3 ))
[ "$item_height" -ge 19 ] || fail "the popup grew by $((height - height_off)) pixels, not by three items and a separator"
close_popup

note "choosing the first item (Markierer, the shortcut to the marker) opens it"
read -r menu x y width height < <(open_popup)
xdotool mousemove $((x + width / 2)) $((y + 3 + 10)) click 1
wait_until 20 bash -c "[ \"\$(marker_count '$work/desktop.marker')\" -ge 1 ]" || fail "the Desktop item did not open"
sleep 1
[ "$(marker_count "$work/desktop.marker")" -eq 1 ] || fail "the Desktop item opened more than once"
[ "$(marker_count "$work/editor.marker")" -eq 0 ] || fail "the tray shortcut opened instead"

note "a typed first character selects the item whose text starts with it"
read -r menu x y width height < <(open_popup)
row="$work/row"
bottom_row() { import -window root -crop "$((width - 8))x14+$((x + 4))+$((y + height - 18))" "$1"; }
bottom_row "$row-before.png"
xdotool key O
sleep 0.5
screenshot e2e_desktop-typed-O
bottom_row "$row-after.png"
changed=$(compare -metric AE "$row-before.png" "$row-after.png" null: 2>&1 || true)
note "pixels of the \"Ombrix+\" row that changed: $changed"
[ "${changed%%.*}" -gt 50 ] || fail "typing O did not select \"Ombrix+\""
popup_geometry >/dev/null || fail "the popup closed: the item was executed, not selected"
close_popup
[ "$(marker_count "$work/desktop.marker")" -eq 1 ] || fail "typing started a Desktop item"

stop_program
echo "e2e_desktop: all steps passed"
