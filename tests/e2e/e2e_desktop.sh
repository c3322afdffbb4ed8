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

# A tray panel of fixed width at the top left, so a docked icon keeps the
# place where Wine learnt it was.
start_fixed_tray() {
  trayer --edge top --align left --widthtype pixel --width 200 --height 24 --SetDockType true \
    --transparent false >"$OMBRIX_SESSION/trayer.log" 2>&1 </dev/null &
  TRAYER_PID=$!
  wait_until 10 tray_panel >/dev/null || fail "trayer did not come up"
}
has_icon() { [ "$(tray_icon_count)" -ge 1 ]; }

# The open popup: the unnamed mapped window of ombrix.exe, as
# "WINDOW X Y WIDTH HEIGHT".
popup_geometry() {
  local w
  for w in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] || continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    echo "$w $X $Y $WIDTH $HEIGHT"
    return 0
  done
  return 1
}
no_popup() { ! popup_geometry >/dev/null; }

open_popup() {
  xdotool mousemove --window "$(tray_icon 1)" 8 8 click 3
  wait_until 10 popup_geometry >/dev/null || fail "no popup after a right-click"
  sleep 0.5
  popup_geometry
}

# menu_keys KEY...: keys for the open popup, which reads those of the focus window.
menu_keys() {
  local w
  read -r w _ < <(popup_geometry) || fail "no popup for the keys"
  xdotool windowfocus "$w" 2>/dev/null || true
  xdotool key --delay 150 "$@"
}

close_popup() {
  menu_keys Escape Escape
  wait_until 5 no_popup || fail "the popup did not close"
}

desktop_marker_is() { [ "$(marker_count "$work/desktop.marker")" -eq "$1" ]; }

# run_program VALUE: starts ombrix.exe with the desktop menu set to VALUE.
run_program() {
  mapfile -t ini < <(settings_with "$1")
  make_program_folder "$folder" "${ini[@]}"
  make_marker_shortcut "$folder/Editor.lnk" "$work/editor.marker"
  # The window messages and the program's answers go to a log (Wine's "message" channel).
  (cd "$folder" && WINEDEBUG=-all,+message exec wine "$folder/ombrix.exe" \
    >/dev/null 2>"$work/messages-$1.log" </dev/null) &
  PROGRAM_PID=$!
  E2E_PIDS+=("$PROGRAM_PID")
  wait_for_program_window || fail "the program has no window"
  wait_until 30 has_icon || fail "no tray icon"
  sleep 2  # Wine learns where a docked icon is only a while after docking
}

stop_program() {
  close_program
  expect_exit "$PROGRAM_PID" 20 "the program did not end with 0"
}

start_fixed_tray

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
[ "$item_height" -ge 19 ] ||
  fail "the popup grew by $((height - height_off)) pixels, not by three items and a separator"
# The three items' icons (many colours) and labels (dark text) are on the screen.
shot="$SHOTS/e2e_desktop-items.png"
icon_colours=$(convert "$shot" -crop "22x57+$((x + 2))+$((y + 2))" +repage -unique-colors txt:- | tail -n +2 | wc -l)
[ "$icon_colours" -gt 20 ] || fail "no icons drawn beside the Desktop items ($icon_colours colours)"
text_pixels=$(convert "$shot" -crop "$((width - 30))x57+$((x + 24))+$((y + 2))" +repage -threshold 50% \
  -format '%[fx:int(w*h*(1-mean))]' info:)
[ "$text_pixels" -gt 100 ] || fail "no labels drawn in the Desktop items ($text_pixels dark pixels)"
close_popup

note "choosing the first item (Markierer, the shortcut to the marker) opens it"
read -r menu x y width height < <(open_popup)
xdotool mousemove $((x + width / 2)) $((y + 3 + 10)) click 1
wait_until 20 desktop_marker_is 1 || fail "the Desktop item did not open"
sleep 2
desktop_marker_is 1 || fail "the Desktop item opened more than once"
[ "$(marker_count "$work/editor.marker")" -eq 0 ] || fail "the tray shortcut opened instead"

note "a typed first character selects the item whose text starts with it"
# Wine's menus act only on the execute and close answers to WM_MENUCHAR and
# ignore a selection, so the answer itself is read from the message log:
# "O" is the first character of "Ombrix+" at position 6 (three Desktop items,
# separator, "Editor", separator), "x" starts no item text.
log="$work/messages-Ja.log"
menu_answers() { grep -c "WM_MENUCHAR returned $1" "$log" || true; }
open_popup >/dev/null
menu_keys O
sleep 0.5
screenshot e2e_desktop-typed-O
menu_keys x
sleep 0.5
grep -q "WM_MENUCHAR sent.* wp=0010004f" "$log" || fail "the menu did not ask the program about \"O\""
[ "$(menu_answers 00030006)" -eq 1 ] || fail "\"O\" was not answered with the selection of \"Ombrix+\" (0x30006)"
grep -q "WM_MENUCHAR sent.* wp=00100078" "$log" || fail "the menu did not ask the program about \"x\""
[ "$(menu_answers 00000000)" -eq 1 ] || fail "\"x\" was not answered with 0"
popup_geometry >/dev/null || fail "the popup closed: typing executed an item"
close_popup
desktop_marker_is 1 || fail "typing started a Desktop item"
[ "$(marker_count "$work/editor.marker")" -eq 0 ] || fail "typing started the tray shortcut"

stop_program
echo "e2e_desktop: all steps passed"
