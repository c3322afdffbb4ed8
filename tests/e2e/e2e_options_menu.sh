# Sourced by the options and About end-to-end tests (after lib.sh): reaching
# the program's own submenu of the tray popup.

# open_program_menu_item KEY...: right-clicks the first icon and walks the
# popup with keys: Down Down Right reaches the "Ombrix+" submenu.
open_program_menu_item() {
  sleep 2  # Wine learns where a docked icon is only a while after docking
  xdotool mousemove --window "$(tray_icon 1)" 8 8 click 3
  local menu=""
  wait_until 10 bash -c 'for w in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
      [ -z "$(xdotool getwindowname "$w")" ] && exit 0; done; exit 1' || fail "no popup menu"
  for menu in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$menu")" ] && break
  done
  xdotool windowfocus "$menu" 2>/dev/null || true
  xdotool key --delay 150 Down Down Right "$@"
}
