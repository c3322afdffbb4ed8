#!/usr/bin/env bash
# Takes the README's pictures (docs/screenshots/) again from the ombrix.exe of
# BUILD_DIR (default: build), run as on a user's PC: from C:\Users\Anna\Leiste
# in a fresh test session, with four shortcuts there and three items on the
# Desktop; the Desktop menu once more at 144 DPI (150 %).
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shots=$root/docs/screenshots

if [ -z "${SHOTS_DPI:-}" ]; then
  cmake --build "$build" --target ombrix mklink findwin >/dev/null
  for dpi in 96 144; do
    session=$build/screenshots$dpi
    SESSION_DPI=$dpi bash "$root/scripts/session.sh" start "$session" >/dev/null
    SHOTS_DPI=$dpi OMBRIX_BUILD=$build OMBRIX_SESSION=$session bash "$0" "$build" || { bash "$root/scripts/session.sh" stop "$session"; exit 1; }
    bash "$root/scripts/session.sh" stop "$session" >/dev/null
  done
  echo "screenshots in $shots"
  exit
fi

# One session: the journeys' helpers (tray, pointing, popups, windows).
. "$root/tests/e2e/lib.sh"
# Wine names the profiles' folder "users", Windows "Users"; Wine finds either spelling.
[ -d "$WINEPREFIX/drive_c/Users" ] || mv "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/Users"
FOLDER=$WINEPREFIX/drive_c/Users/Anna/Leiste
mkdir -p "$FOLDER" && cp "$OMBRIX_BUILD/ombrix.exe" "$FOLDER/"
start_ombrix() {
  (cd "$FOLDER" && exec wine 'C:\Users\Anna\Leiste\ombrix.exe' >/dev/null 2>&1 </dev/null) &
  OMBRIX_PID=$! && PIDS+=("$OMBRIX_PID")
}
# sample NAME TARGET: a shortcut in the folder, with its target's own picture.
sample() { wine "$TOOLS/mklink.exe" "C:\\Users\\Anna\\Leiste\\$1.lnk" "$2" "" "$2" 0 >/dev/null 2>&1 || fail "mklink $1"; }
sample Editor 'C:\windows\notepad.exe'
sample Explorer 'C:\windows\explorer.exe'
sample Minensucher 'C:\windows\system32\winemine.exe'
sample Registrierung 'C:\windows\regedit.exe'
wine "$TOOLS/mklink.exe" "$(winpath "$HOME/Desktop/Editor.lnk")" 'C:\windows\notepad.exe' "" 'C:\windows\notepad.exe' 0 >/dev/null 2>&1
mkdir -p "$HOME/Desktop/Fotos" && echo Einkauf >"$HOME/Desktop/Notizen.txt"

# cut NAME X0 Y0 X1 Y1: the part of the display between the two corners.
cut() { import -window root -crop "$(($4 - $2))x$(($5 - $3))+$2+$3" +repage "$shots/$1.png" && note "$1.png"; }
# box WINDOW...: the corners around the windows, as "X0 Y0 X1 Y1".
box() {
  local w x0=99999 y0=99999 x1=0 y1=0
  for w in "$@"; do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    ((X < x0)) && x0=$X; ((Y < y0)) && y0=$Y
    ((X + WIDTH > x1)) && x1=$((X + WIDTH)); ((Y + HEIGHT > y1)) && y1=$((Y + HEIGHT))
  done
  echo "$x0 $y0 $x1 $y1"
}
menus() { xdotool search --onlyvisible --class ombrix.exe | while read -r w; do [ -n "$(xdotool getwindowname "$w")" ] || echo "$w"; done; }
menu_count_is() { [ "$(menus | wc -l)" -eq "$1" ]; }
run_with() {
  settings "s/^Desktop-Menü=.*/Desktop-Menü=$1/" >"$FOLDER/ombrix.ini"
  start_ombrix && wait_icons 4
}
start_tray

if [ "$SHOTS_DPI" = 144 ]; then
  run_with Ja
  popup_keys 1 && wait_until 10 menu_count_is 1
  read -r _ _ x1 y1 < <(box $(menus))
  cut desktop-menu-144dpi 0 0 "$((x1 + 4))" "$((y1 + 4))"
  stop_program "$OMBRIX_PID"
  exit
fi

run_with Nein
read -r _ _ x1 _ < <(box $(tray_icons))
read -r _ _ _ y1 < <(box "$(tray_panel)")
cut tray-icons 0 0 "$((x1 + 8))" "$y1"
popup_keys 1 Down Right && wait_until 10 menu_count_is 2
read -r x0 y0 x1 y1 < <(box $(menus))
cut popup "$x0" "$y0" "$x1" "$y1"
xdotool key Escape Escape
popup_keys 1 Down Down Right Return
w=$(wait_window "Ombrix\\+ Optionen") && sleep 1 && import -frame -window "$w" "$shots/options.png" && note options.png
press "$w" Escape && wait_until 30 no_window "Ombrix\\+ Optionen"
stop_program "$OMBRIX_PID"

run_with Ja
popup_keys 1 && wait_until 10 menu_count_is 1
read -r x0 y0 x1 y1 < <(box $(menus))
cut desktop-menu "$x0" "$y0" "$x1" "$y1"
xdotool key Escape
# A second start shows the About dialog.
(cd "$FOLDER" && exec wine 'C:\Users\Anna\Leiste\ombrix.exe' >/dev/null 2>&1 </dev/null) &
w=$(wait_window "Info über Ombrix\\+") && sleep 1 && import -frame -window "$w" "$shots/about.png" && note about.png
press "$w" Return
stop_program "$OMBRIX_PID"
